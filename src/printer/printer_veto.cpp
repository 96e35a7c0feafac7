#include "app/switch_dialog.h"

namespace pivora {

std::uint8_t SwitchDialog::vetoPrinterPorts(std::uint8_t portMask) {
    // Without the controller and the hub there is no port to tell apart.
    if (controllerOpen != 1 || hubReady != 1) return portMask;

    // The ports each switch model has. Port 3 of a FourPort switch is one
    // port of the switch's own hub, examined like the others.
    int firstPort = 0;
    if (hubKind == TwoPort) firstPort = 2;
    else if (hubKind != FourPort) return portMask;

    const int printers = printerGuard.countPrinters();
    for (int index = 0; index < printers; ++index) {
        char name[PrinterGuard::kNameSize];
        std::uint16_t printerVendorId = 0;
        std::uint16_t printerProductId = 0;
        if (printerGuard.getPrinterUsbId(static_cast<std::uint32_t>(index), name, &printerVendorId,
                                         &printerProductId) != 1)
            continue;
        // (0, 0) is what an empty port reads as; it names no printer.
        if (printerVendorId == 0 && printerProductId == 0) continue;
        std::uint32_t jobs = 0;
        printerGuard.getPrinterJobs(static_cast<std::uint32_t>(index), &jobs);
        if (jobs == 0) continue;
        for (int port = firstPort; port <= 3; ++port) {
            std::uint16_t vendorId = 0;
            std::uint16_t productId = 0;
            std::uint32_t isHub = 0;
            usbTopology.queryHubPort(hubName.data(), port, &vendorId, &productId, &isHub);
            if (vendorId == printerVendorId && productId == printerProductId)
                portMask = static_cast<std::uint8_t>(portMask & ~(1u << port));
        }
    }
    return portMask;
}

}  // namespace pivora
