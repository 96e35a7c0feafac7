#include "sim/sim_computer.h"

#include <cstdio>

namespace pivora::sim {

SimComputer::SimComputer(VirtualClock& clock, SwitchFirmware* firmware, Host host)
    : hid(clock, firmware, host), usb(host), removal(usb, clock), clock_(clock) {
    interfaces.setSource(DeviceInterfaceClass::Hid, [this](bool) { return hid.interfaceEntries(); });
    interfaces.setSource(DeviceInterfaceClass::UsbHostController, [this](bool) { return usb.controllerEntries(); });
    interfaces.setSource(DeviceInterfaceClass::UsbDevice,
                         [this](bool presentOnly) { return usb.deviceEntries(presentOnly); });
}

int SimComputer::installUsbPrinter(const std::string& name, std::uint16_t vendorId, std::uint16_t productId,
                                   std::uint32_t jobsQueued) {
    static const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";
    const auto number = static_cast<unsigned>(++usbPrinters_);
    char port[16];
    (void)std::snprintf(port, sizeof port, "USB%03u", number);
    char instance[24];
    (void)std::snprintf(instance, sizeof instance, "7&%08x&0", 0x2f8e5c10u + number);
    char device[48];
    (void)std::snprintf(device, sizeof device, "VID_%04X&PID_%04X\\SERIAL%u", vendorId, productId, number);
    registry.setString(kEnum + "USBPRINT\\Model" + std::to_string(number) + "\\" + instance + "&" + port +
                           "\\Device Parameters",
                       "PortName", port);
    registry.setString(kEnum + "USB\\" + device, "ParentIdPrefix", instance);
    return spooler.addPrinter(name, port, jobsQueued);
}

}  // namespace pivora::sim
