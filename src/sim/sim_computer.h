#pragma once

#include <cstdint>
#include <string>

#include "platform/diagnostic_trace.h"
#include "platform/platform.h"
#include "sim/host.h"
#include "sim/sim_device_interfaces.h"
#include "sim/sim_hid_devices.h"
#include "sim/sim_registry.h"
#include "sim/sim_spooler.h"
#include "sim/sim_usb_tree.h"
#include "sim/timed_removal.h"
#include "sim/virtual_clock.h"

namespace pivora::sim {

class SwitchFirmware;

// One simulated computer: its HID devices, its USB tree, the device-interface
// sets that list both, its print spooler and its registry. `firmware` may be
// null for a computer without a switch.
class SimComputer {
public:
    SimComputer(VirtualClock& clock, SwitchFirmware* firmware, Host host);
    SimComputer(const SimComputer&) = delete;
    SimComputer& operator=(const SimComputer&) = delete;

    // Nothing acquired through any seam is still held.
    bool allReleased() const {
        return hid.handlesOpen() == 0 && interfaces.setsOpen() == 0 && hid.badReleases() == 0 &&
               interfaces.badReleases() == 0 && usb.allReleased() && spooler.allReleased() &&
               registry.allReleased();
    }

    // A local printer on its own USB printer port (USB001, USB002, ... in the
    // order they are installed), mapped in the registry to its USB device as
    // Windows maps one: the printer instance under USBPRINT names the port,
    // and the USB device instance's ParentIdPrefix names the printer
    // instance. Returns the printer's index in the spooler.
    int installUsbPrinter(const std::string& name, std::uint16_t vendorId, std::uint16_t productId,
                          std::uint32_t jobsQueued);

    // Every seam of this computer, in virtual time, with `trace` as its sink.
    Platform platform(DiagnosticTrace& trace) {
        return Platform{clock_, trace, interfaces, hid, usb, removal, spooler, registry};
    }

    SimHidDevices hid;
    SimDeviceInterfaces interfaces;
    SimUsbTree usb;
    // The tree's removal calls, each taking its device's removal time.
    TimedRemoval removal;
    SimSpooler spooler;
    SimRegistry registry;

private:
    VirtualClock& clock_;
    int usbPrinters_ = 0;
};

}  // namespace pivora::sim
