#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pivora {

// One USB device as sysfs shows it.
struct SysfsUsbDevice {
    std::string name;  // its kernel name, "1-1.2"
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint32_t portCount = 0;  // a hub's downstream ports; 0 for any other device
    bool isHub = false;
    std::string manufacturer;  // the device's own strings, empty when it gives none
    std::string product;
    std::string serial;
};

// The USB devices under <sys>/bus/usb/devices, read afresh at every call.
class SysfsUsbDevices {
public:
    // USB hubs have at most 255 ports; a larger count is no count.
    static constexpr std::uint32_t kMaxPorts = 255;

    explicit SysfsUsbDevices(std::string sysRoot);

    // The names of the devices there, root hubs first, then in the order a
    // depth-first walk of the tree meets them.
    std::vector<std::string> names() const;

    // The device of that name; nothing when the name is not a USB device's
    // or its IDs cannot be read.
    std::optional<SysfsUsbDevice> read(const std::string& name) const;

    // A hub's port count (maxchild): 0 for a device that is no hub; nothing
    // when the device or its count cannot be read.
    std::optional<std::uint32_t> portCount(const std::string& name) const;

    // Where the device's own directory is reached.
    std::string directory(const std::string& name) const;

private:
    std::optional<std::string> attribute(const std::string& name, const char* attribute) const;

    std::string devicesDir_;
};

}  // namespace pivora
