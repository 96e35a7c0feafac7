#pragma once

#include <cstdint>
#include <vector>

#include "link/protocol.h"

namespace pivora::link {

// One frame as it arrived, its length prefix taken off.
struct Frame {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
};

}  // namespace pivora::link
