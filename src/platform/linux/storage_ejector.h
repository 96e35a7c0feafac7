#pragma once

#include <string>
#include <vector>

#include "usb/switch_usb.h"

namespace pivora {

// Safe removal of the disks a USB device carries, the way the desktop's own
// eject does it: every filesystem on them unmounted, then each drive
// powered off.
class StorageEjector {
public:
    virtual ~StorageEjector() = default;

    // `disks`: the kernel names of the whole disks under the device ("sdb").
    // Removed once every one is unmounted and powered off; Busy when a
    // filesystem on one is in use; Failed for anything else (the service
    // missing, a disk it does not know, an error).
    virtual RemovalResult eject(const std::vector<std::string>& disks) = 0;
};

}  // namespace pivora
