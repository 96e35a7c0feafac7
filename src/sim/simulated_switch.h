#pragma once

#include <cstdint>

#include "sim/host.h"
#include "sim/sim_hid_devices.h"
#include "sim/switch_firmware.h"
#include "sim/virtual_clock.h"

namespace pivora::sim {

// One switch between two computers, in virtual time: the controller firmware
// and each computer's HID devices, the controller among them. Each computer
// also has an ordinary keyboard, so the controller is never alone in a list.
class SimulatedSwitch {
public:
    explicit SimulatedSwitch(std::uint32_t startTick = 0);

    SimHidDevices& computer(Host host) { return host == Host::A ? hostA : hostB; }

    VirtualClock clock;
    SwitchFirmware firmware;
    SimHidDevices hostA;
    SimHidDevices hostB;
    int controllerOnA;
    int controllerOnB;
};

}  // namespace pivora::sim
