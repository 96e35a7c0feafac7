#pragma once

#include <array>
#include <cstdint>

namespace pivora::sim {

// The two upstream sides of the switch; each is one computer.
enum class Host : std::uint8_t { A = 0, B = 1 };

inline Host otherHost(Host host) { return host == Host::A ? Host::B : Host::A; }
inline char hostLetter(Host host) { return host == Host::A ? 'A' : 'B'; }

// One report as it travels over the HID pipe: always eight bytes.
using WireReport = std::array<std::uint8_t, 8>;

}  // namespace pivora::sim
