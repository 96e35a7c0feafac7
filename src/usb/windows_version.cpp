#include "usb/windows_version.h"

#include <array>

#include "platform/byte_order.h"

namespace pivora {

namespace {
constexpr std::uint32_t kPlatformWin32Windows = 1;
constexpr std::uint32_t kPlatformWin32Nt = 2;
constexpr std::uint8_t kNtWorkstation = 1;
constexpr std::uint8_t kNtServer = 3;

bool workstationOrServer(std::uint8_t productType) {
    return productType == kNtWorkstation || productType == kNtServer;
}
}  // namespace

WindowsVersionCode classifyWindowsVersion(DeviceRemovalApi& system) {
    std::array<std::uint8_t, osversion::kSize> record{};
    writeLe32(record.data() + osversion::kSizeOffset, osversion::kSize);
    // A call that fails leaves the record zero, which classifies as 0.
    if (system.getVersionEx(record.data()) < 0) return 0;

    const std::uint32_t major = readLe32(record.data() + osversion::kMajorOffset);
    const std::uint32_t minor = readLe32(record.data() + osversion::kMinorOffset);
    const std::uint32_t platform = readLe32(record.data() + osversion::kPlatformIdOffset);
    const std::uint8_t productType = record[osversion::kProductTypeOffset];

    if (major == 4) {
        if (minor == 0 && platform == kPlatformWin32Windows) return 1;  // Windows 95
        if (minor == 0 && platform == kPlatformWin32Nt) return 4;       // NT 4.0
        if (minor == 10) return 2;                                      // Windows 98
        if (minor == 90) return 3;                                      // Windows Me
        return 0;
    }
    if (major == 5) {
        if (minor == 0) return workstationOrServer(productType) ? 5 : 0;  // Windows 2000
        if (minor == 1) return 6;                                          // Windows XP
        if (minor == 2) return 5;                                          // Server 2003, XP x64
        return 0;
    }
    if (major == 6) return workstationOrServer(productType) ? kVistaOrLater : 0;
    return 0;
}

}  // namespace pivora
