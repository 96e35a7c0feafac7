#pragma once

#include "sim/host.h"
#include "sim/sim_device_interfaces.h"
#include "sim/sim_hid_devices.h"
#include "sim/sim_usb_tree.h"
#include "sim/virtual_clock.h"

namespace pivora::sim {

class SwitchFirmware;

// One simulated computer: its HID devices, its USB tree, and the
// device-interface sets that list both. `firmware` may be null for a computer
// without a switch.
class SimComputer {
public:
    SimComputer(VirtualClock& clock, SwitchFirmware* firmware, Host host);
    SimComputer(const SimComputer&) = delete;
    SimComputer& operator=(const SimComputer&) = delete;

    // Nothing acquired through any seam is still held.
    bool allReleased() const {
        return hid.handlesOpen() == 0 && interfaces.setsOpen() == 0 && hid.badReleases() == 0 &&
               interfaces.badReleases() == 0 && usb.allReleased();
    }

    SimHidDevices hid;
    SimDeviceInterfaces interfaces;
    SimUsbTree usb;
};

}  // namespace pivora::sim
