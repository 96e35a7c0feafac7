#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pivora {

// A USB device present on this computer, as its descriptors name it.
struct UsbIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string manufacturer;  // empty when the device gives none
    std::string product;
    std::string serial;
};

// The USB devices present on this computer, read afresh at every call.
class PresentUsbDevices {
public:
    virtual ~PresentUsbDevices() = default;
    virtual std::vector<UsbIdentity> list() = 0;
};

}  // namespace pivora
