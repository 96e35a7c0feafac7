#pragma once

#include <string>
#include <vector>

#include "platform/linux/present_usb_devices.h"
#include "platform/linux/sysfs_usb_devices.h"

namespace pivora {

// The USB devices present, read from <sys>/bus/usb/devices in the order a
// walk of the tree meets them. A device whose IDs cannot be read is left out.
class SysfsPresentUsbDevices : public PresentUsbDevices {
public:
    explicit SysfsPresentUsbDevices(std::string sysRoot);
    std::vector<UsbIdentity> list() override;

private:
    SysfsUsbDevices devices_;
};

}  // namespace pivora
