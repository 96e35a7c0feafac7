#include "sim/sim_computer.h"

namespace pivora::sim {

SimComputer::SimComputer(VirtualClock& clock, SwitchFirmware* firmware, Host host)
    : hid(clock, firmware, host), usb(host), clock_(clock) {
    interfaces.setSource(DeviceInterfaceClass::Hid, [this](bool) { return hid.interfaceEntries(); });
    interfaces.setSource(DeviceInterfaceClass::UsbHostController, [this](bool) { return usb.controllerEntries(); });
    interfaces.setSource(DeviceInterfaceClass::UsbDevice,
                         [this](bool presentOnly) { return usb.deviceEntries(presentOnly); });
}

}  // namespace pivora::sim
