#pragma once

#include <memory>

#include "control/host_system.h"
#include "platform/platform.h"
#include "printer/windows_local_printers.h"
#include "usb/windows_switch_usb.h"

namespace pivora {

// A Windows computer as the control sees it, over the Windows-shaped seams
// of `platform`: the real calls in the product, the simulated switch in
// tests and in the simulated build.
class WindowsHost : public HostSystem {
public:
    explicit WindowsHost(Platform& platform)
        : platform_(platform),
          usb_(platform.interfaces, platform.hubs, platform.removal, platform.trace),
          printers_(platform.spooler, platform.registry) {}

    Clock& clock() override { return platform_.clock; }
    DiagnosticTrace& trace() override { return platform_.trace; }
    SwitchUsb& usb() override { return usb_; }
    LocalPrinters& printers() override { return printers_; }
    std::unique_ptr<ReportChannel> makeChannel(Clock& clock) override;

private:
    Platform& platform_;
    WindowsSwitchUsb usb_;
    WindowsLocalPrinters printers_;
};

}  // namespace pivora
