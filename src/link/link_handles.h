#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora::link {

// A handle the simulator gave out travels as its number; the client hands
// that number to the portable code as the handle itself (0 being none).
inline OsHandle handleOf(std::uint64_t number) { return reinterpret_cast<OsHandle>(static_cast<std::uintptr_t>(number)); }
inline std::uint64_t numberOf(OsHandle handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// What a call reports when the link is down, as Windows reports a device
// that has gone away: ERROR_DEVICE_NOT_CONNECTED, CR_FAILURE.
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
constexpr std::uint32_t kCrFailure = 0x13;

}  // namespace pivora::link
