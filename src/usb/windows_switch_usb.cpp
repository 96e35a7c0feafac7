#include "usb/windows_switch_usb.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "usb/safe_removal.h"

namespace pivora {

int WindowsSwitchUsb::locateHub(std::uint16_t vendorId, std::uint16_t productId, char* hubOut) {
    return topology_.locateHub(vendorId, productId, hubOut);
}

int WindowsSwitchUsb::getHubPortCount(const char* hub, std::uint32_t* countOut) {
    return topology_.getHubPortCount(hub, countOut);
}

int WindowsSwitchUsb::queryHubPort(const char* hub, int port, std::uint16_t* vendorIdOut,
                                   std::uint16_t* productIdOut, std::uint32_t* isHubOut) {
    return topology_.queryHubPort(hub, port, vendorIdOut, productIdOut, isHubOut);
}

int WindowsSwitchUsb::findPresentDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) {
    return topology_.findPresentDevice(vendorId, productId, nullptr, descriptionOut);
}

int WindowsSwitchUsb::findKnownDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) {
    return topology_.findKnownDevice(vendorId, productId, descriptionOut);
}

int WindowsSwitchUsb::findDeviceOnHubPort(const char* hub, int port, std::uint16_t vendorId, std::uint16_t productId,
                                          UsbDeviceRef* deviceOut) {
    std::uint32_t devInst = 0;
    const int found = topology_.findDeviceOnHubPort(hub, port, vendorId, productId, &devInst);
    deviceOut->id = found == 1 ? std::to_string(devInst) : std::string();
    return found;
}

RemovalResult WindowsSwitchUsb::safeRemove(const UsbDeviceRef& device) {
    errno = 0;
    char* end = nullptr;
    const unsigned long devInst = std::strtoul(device.id.c_str(), &end, 10);
    if (device.id.empty() || *end != '\0' || errno != 0 || devInst > 0xFFFFFFFFul) return RemovalResult::Failed;
    // Windows tells a refusal from a failure only loosely (a veto comes as
    // one of several codes, or only by name): either way the device stays,
    // and the user is told it is in use.
    return safeRemoveDevice(removal_, trace_, static_cast<std::uint32_t>(devInst)) == 0 ? RemovalResult::Removed
                                                                                         : RemovalResult::Busy;
}

}  // namespace pivora
