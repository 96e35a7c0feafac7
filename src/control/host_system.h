#pragma once

#include <memory>

#include "controller/report_channel.h"
#include "platform/clock.h"
#include "platform/diagnostic_trace.h"
#include "printer/local_printers.h"
#include "usb/switch_usb.h"

namespace pivora {

// Everything the control needs of the computer it runs on, whatever its
// system: its clock, where the diagnostic trace goes, the switch's USB side,
// the local printers, and the channel to the controller. One per control;
// it outlives the control.
class HostSystem {
public:
    virtual ~HostSystem() = default;

    virtual Clock& clock() = 0;
    virtual DiagnosticTrace& trace() = 0;
    virtual SwitchUsb& usb() = 0;
    virtual LocalPrinters& printers() = 0;

    // A new channel to the controller, no device open, that waits on
    // `clock` (the control's own, which shows the panel before each wait).
    virtual std::unique_ptr<ReportChannel> makeChannel(Clock& clock) = 0;
};

}  // namespace pivora
