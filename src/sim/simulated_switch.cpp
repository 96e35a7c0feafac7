#include "sim/simulated_switch.h"

namespace pivora::sim {

namespace {
constexpr const char* kKeyboardPath =
    "\\\\?\\hid#vid_046d&pid_c31c&mi_00#8&1b2f0a9d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr std::uint16_t kKeyboardVendorId = 0x046D;
constexpr std::uint16_t kKeyboardProductId = 0xC31C;

// The computer's own USB side: the keyboard on the first root port, the
// switch's hub on the second. Returns the hub's node.
int wireUsb(SimUsbTree& usb, SwitchHub& hub) {
    const int root = usb.rootHub(usb.addController());
    usb.addDevice(root, 1, kKeyboardVendorId, kKeyboardProductId, "USB Input Device");
    return usb.placeSwitchHub(root, 2, hub);
}
}  // namespace

SimulatedSwitch::SimulatedSwitch(std::uint32_t startTick)
    : clock(startTick),
      firmware(clock),
      hub(firmware),
      hostA(clock, &firmware, Host::A),
      hostB(clock, &firmware, Host::B) {
    for (Host host : {Host::A, Host::B})
        computer(host).hid.addDevice(kKeyboardPath, kKeyboardVendorId, kKeyboardProductId);
    controllerOnA = hostA.hid.addController();
    controllerOnB = hostB.hid.addController();
    hubOnA = wireUsb(hostA.usb, hub);
    hubOnB = wireUsb(hostB.usb, hub);
    firmware.connectOutlet([this](Host to, const WireReport& report) { computer(to).hid.deliverInput(report); });
    firmware.connectPortsMoved([this](Host from, Host to, std::uint8_t ports) { movePorts(from, to, ports); });
}

void SimulatedSwitch::movePorts(Host from, Host to, std::uint8_t ports) {
    hub.portsArriving(to, ports);
    if (hub.deviceOnPortsOf(from, ports)) computer(from).usb.treeChanged();
    clock.schedule(kEnumerationDelayMs, [this, to, ports] {
        hub.portsArrived(to, ports);
        if (hub.deviceOnPortsOf(to, ports)) computer(to).usb.treeChanged();
    });
}

}  // namespace pivora::sim
