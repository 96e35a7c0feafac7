#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace pivora {

// What a USB device carries, as its sysfs directory shows it: through its
// interfaces, SCSI hosts and the devices of a hub behind it.
struct UsbDeviceContents {
    std::vector<std::string> disks;  // whole disks' kernel names ("sdb"), sorted
    // The device numbers of its nodes a program may be using without the
    // system knowing to refuse a removal: serial ports (tty), printers
    // (usbmisc/lp*), SCSI generic and video nodes. Input, hidraw and sound
    // nodes are left out: the desktop itself holds those open all the time.
    std::vector<dev_t> busyNodes;
};

// The contents under `deviceDir`; nothing when the directory cannot be
// read (the device has gone).
std::optional<UsbDeviceContents> readUsbDeviceContents(const std::string& deviceDir);

}  // namespace pivora
