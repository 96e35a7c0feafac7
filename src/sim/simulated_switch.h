#pragma once

#include <cstdint>

#include "sim/host.h"
#include "sim/sim_computer.h"
#include "sim/switch_firmware.h"
#include "sim/switch_hub.h"
#include "sim/virtual_clock.h"

namespace pivora::sim {

// One switch between two computers, in virtual time: the controller firmware,
// the switch's hub, and each computer's devices, the controller among its HID
// devices. Each computer also has an ordinary keyboard, so the controller is
// never alone in a list. On the USB side each computer has one host
// controller whose root hub carries the keyboard on connection 1 and the
// switch's hub on connection 2 (TwoPort form, nothing on the user's ports).
class SimulatedSwitch {
public:
    // How long a port's devices take to appear on the computer that gained it.
    static constexpr std::uint32_t kEnumerationDelayMs = 200;

    explicit SimulatedSwitch(std::uint32_t startTick = 0);

    SimComputer& computer(Host host) { return host == Host::A ? hostA : hostB; }
    // The switch's hub in that computer's USB tree.
    int hubOn(Host host) const { return host == Host::A ? hubOnA : hubOnB; }

    VirtualClock clock;
    SwitchFirmware firmware;
    SwitchHub hub;
    SimComputer hostA;
    SimComputer hostB;
    int controllerOnA;
    int controllerOnB;
    int hubOnA;
    int hubOnB;

private:
    // A ReleaseDone switched `ports`: their devices leave one computer's tree
    // now and reach the other's once the hub has enumerated them there.
    void movePorts(Host from, Host to, std::uint8_t ports);
};

}  // namespace pivora::sim
