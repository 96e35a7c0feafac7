#pragma once

#include <cstdint>

namespace pivora {

// Byte 2 of a StatusReply has a bit set for every port on host B. Every reader
// of it turns it into this computer's ports the same way: as it stands on
// host B, complemented (all eight bits) on host A. The other computer's ports
// are the complement of this computer's.
inline std::uint8_t ownedMaskFrom(std::uint8_t rawMask, int hostIndex) {
    return hostIndex != 0 ? rawMask : static_cast<std::uint8_t>(~rawMask);
}

inline std::uint8_t otherMaskFrom(std::uint8_t rawMask, int hostIndex) {
    return static_cast<std::uint8_t>(~ownedMaskFrom(rawMask, hostIndex));
}

}  // namespace pivora
