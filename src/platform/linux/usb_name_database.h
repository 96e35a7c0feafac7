#pragma once

#include <cstdint>
#include <string>

namespace pivora {

// The names a database of USB IDs gives a vendor and one of its products.
struct UsbIdNames {
    std::string vendor;  // empty when unknown
    std::string model;
};

// What the system knows of USB IDs by name, for devices that give no
// strings of their own and for devices that are not plugged in.
class UsbNameDatabase {
public:
    virtual ~UsbNameDatabase() = default;
    virtual UsbIdNames lookup(std::uint16_t vendorId, std::uint16_t productId) = 0;
};

}  // namespace pivora
