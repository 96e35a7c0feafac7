#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>

#include "control/host_system.h"
#include "platform/linux/hidraw_report_channel.h"
#include "platform/linux/cups_local_printers.h"
#include "platform/linux/monotonic_clock.h"
#include "platform/linux/storage_ejector.h"
#include "platform/linux/sysfs_present_usb_devices.h"
#include "platform/linux/sysfs_switch_usb.h"
#include "platform/linux/udev_hwdb_names.h"

namespace pivora {

// Where a Linux computer keeps what Pivora reads: /sys, /dev and /proc, and
// the folder of Pivora's own state; and how the controller's node there is
// opened.
struct LinuxRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string proc = "/proc";
    std::string state;  // $XDG_STATE_HOME/pivora; empty keeps nothing
    HidrawReportChannel::OpenNode openNode = HidrawReportChannel::systemOpen;
};

// This Linux computer as the control sees it: the USB tree in sysfs with
// udev's names, disks ejected through udisks2 on the system bus, printers
// through CUPS, the controller through hidraw, and the monotonic clock.
class LinuxHost : public HostSystem {
public:
    // `systemBus` may be null (no system bus): disks then cannot be ejected
    // and stay with their port. `warn` tells the user what keeps Pivora from
    // working (a controller node that refuses them, once per node), from the
    // control's thread.
    LinuxHost(GDBusConnection* systemBus, DiagnosticTrace& trace, LinuxRoots roots,
              std::function<void(const std::string&)> warn);

    Clock& clock() override { return clock_; }
    DiagnosticTrace& trace() override { return trace_; }
    SwitchUsb& usb() override { return usb_; }
    LocalPrinters& printers() override { return printers_; }
    std::unique_ptr<ReportChannel> makeChannel(Clock& clock) override;

private:
    MonotonicClock clock_;
    DiagnosticTrace& trace_;
    LinuxRoots roots_;
    std::function<void(const std::string&)> warn_;
    std::unique_ptr<StorageEjector> ejector_;
    UdevHwdbNames names_;
    SysfsSwitchUsb usb_;
    SysfsPresentUsbDevices present_;
    CupsLocalPrinters printers_;
};

}  // namespace pivora
