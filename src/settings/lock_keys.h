#pragma once

#include <cstdint>

namespace pivora {

// Which lock keys' double tap moves all ports: a bit each. None is "Off".
namespace lock_keys {
constexpr std::uint32_t kNumLock = 1;
constexpr std::uint32_t kScrollLock = 2;
constexpr std::uint32_t kCapsLock = 4;
constexpr std::uint32_t kAll = kNumLock | kScrollLock | kCapsLock;
}  // namespace lock_keys

}  // namespace pivora
