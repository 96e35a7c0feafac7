#include "control/switch_control.h"
#include "printer/busy_printers.h"

namespace pivora {

std::uint8_t SwitchControl::vetoPrinterPorts(std::uint8_t portMask) {
    // Without the controller and the hub there is no port to tell apart.
    if (controllerOpen != 1 || hubReady != 1) return portMask;

    // The ports each switch model has. Port 3 of a FourPort switch is one
    // port of the switch's own hub, examined like the others.
    int firstPort = 0;
    if (hubKind == TwoPort) firstPort = 2;
    else if (hubKind != FourPort) return portMask;

    forEachBusyUsbPrinter(printers, [&](std::uint16_t printerVendorId, std::uint16_t printerProductId) {
        for (int port = firstPort; port <= 3; ++port) {
            std::uint16_t vendorId = 0;
            std::uint16_t productId = 0;
            std::uint32_t isHub = 0;
            usb.queryHubPort(hubName.data(), port, &vendorId, &productId, &isHub);
            if (vendorId == printerVendorId && productId == printerProductId)
                portMask = static_cast<std::uint8_t>(portMask & ~(1u << port));
        }
    });
    return portMask;
}

}  // namespace pivora
