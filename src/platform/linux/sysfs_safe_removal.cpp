#include <string>

#include "platform/linux/device_holders.h"
#include "platform/linux/sysfs_switch_usb.h"
#include "platform/linux/usb_device_contents.h"
#include "platform/linux/usb_device_name.h"

namespace pivora {

namespace {

const char* statusName(RemovalResult result) {
    switch (result) {
        case RemovalResult::Removed:
            return "Removed";
        case RemovalResult::Busy:
            return "Busy";
        case RemovalResult::Failed:
            break;
    }
    return "Failed";
}

std::string joined(const std::vector<std::string>& disks) {
    if (disks.empty()) return "none";
    std::string text;
    for (const std::string& disk : disks) text += (text.empty() ? "" : ",") + disk;
    return text;
}

}  // namespace

RemovalResult SysfsSwitchUsb::safeRemove(const UsbDeviceRef& device) {
    // Root hubs belong to the computer, not to a port of the switch.
    const auto name = UsbDeviceName::parse(device.id);
    const auto contents =
        name && !name->rootHub ? readUsbDeviceContents(devices_.directory(device.id)) : std::nullopt;

    RemovalResult result = RemovalResult::Failed;
    if (contents && !contents->disks.empty()) {
        result = ejector_.eject(contents->disks);
    } else if (contents) {
        // Linux asks nobody before a device without disks goes; what is
        // left to honour is a program of ours with one of its nodes open.
        result = heldOpenByThisUser(procRoot_, contents->busyNodes) ? RemovalResult::Busy : RemovalResult::Removed;
    }

    const std::string line = "SafeRemove " + (name ? device.id : std::string("(invalid)")) +
                             " disks=" + joined(contents ? contents->disks : std::vector<std::string>()) +
                             " Status=" + statusName(result);
    trace_.line(TraceChannel::Text, line.c_str());
    return result;
}

}  // namespace pivora
