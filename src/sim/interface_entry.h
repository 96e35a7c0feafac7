#pragma once

#include <cstdint>
#include <string>

namespace pivora::sim {

// One device interface as a simulated device set lists it.
struct InterfaceEntry {
    std::string path;
    std::uint32_t devInst = 0;
    std::string description;
    std::string driverKey;  // SPDRP_DRIVER: the name of the device's software key
    bool detailFails = false;  // the interface's detail record cannot be read
};

}  // namespace pivora::sim
