#pragma once

#include <cstdint>

#include "platform/device_removal_api.h"

namespace pivora {

// The real removal seam: the Configuration Manager calls and GetVersionEx(A),
// each reporting exactly what Windows reports. No state, no logic.
class Win32DeviceRemovalApi : public DeviceRemovalApi {
public:
    std::uint32_t requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                     std::uint32_t nameLength, std::uint32_t flags) override;
    std::uint32_t queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                        std::uint32_t nameLength, std::uint32_t flags) override;
    int getVersionEx(std::uint8_t* record) override;
};

}  // namespace pivora
