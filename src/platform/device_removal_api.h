#pragma once

#include <cstdint>

namespace pivora {

// OSVERSIONINFOEXA as bytes: 156 bytes, the size field set by the caller.
namespace osversion {
constexpr std::uint32_t kSize = 156;
constexpr std::uint32_t kSizeOffset = 0;
constexpr std::uint32_t kMajorOffset = 4;
constexpr std::uint32_t kMinorOffset = 8;
constexpr std::uint32_t kPlatformIdOffset = 16;
constexpr std::uint32_t kProductTypeOffset = 154;
}  // namespace osversion

constexpr std::uint32_t kCmRemoveUiNotOk = 0x00000001;

// Configuration Manager removal and the Windows version it depends on.
class DeviceRemovalApi {
public:
    virtual ~DeviceRemovalApi() = default;

    // CM_Request_Device_EjectA(devInst, vetoType, vetoName, nameLength, flags):
    // the CONFIGRET.
    virtual std::uint32_t requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                             std::uint32_t nameLength, std::uint32_t flags) = 0;

    // CM_Query_And_Remove_SubTreeA(devInst, vetoType, vetoName, nameLength,
    // flags): the CONFIGRET.
    virtual std::uint32_t queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                                std::uint32_t nameLength, std::uint32_t flags) = 0;

    // The function "GetVersionExA", or when absent "GetVersionEx", looked up
    // by name in "Kernel32.dll", called with the 156-byte record. -1 when the
    // module or the function cannot be found; otherwise the call's BOOL.
    virtual int getVersionEx(std::uint8_t* record) = 0;
};

}  // namespace pivora
