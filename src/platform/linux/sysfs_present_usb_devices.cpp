#include "platform/linux/sysfs_present_usb_devices.h"

#include <utility>

namespace pivora {

SysfsPresentUsbDevices::SysfsPresentUsbDevices(std::string sysRoot) : devices_(std::move(sysRoot)) {}

std::vector<UsbIdentity> SysfsPresentUsbDevices::list() {
    std::vector<UsbIdentity> present;
    for (const std::string& name : devices_.names()) {
        auto device = devices_.read(name);
        if (!device) continue;
        present.push_back(UsbIdentity{device->vendorId, device->productId, std::move(device->manufacturer),
                                      std::move(device->product), std::move(device->serial)});
    }
    return present;
}

}  // namespace pivora
