#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/frame.h"

namespace pivora::link {

// Cuts a byte stream into frames. Holds at most one frame and what came after
// it in the last piece pushed; a length prefix out of bounds is caught before
// any of its frame is waited for.
class FrameAssembler {
public:
    enum class Result { NeedMore, Ready, BadLength };

    void push(const std::uint8_t* bytes, std::size_t count) { pending_.insert(pending_.end(), bytes, bytes + count); }
    // The next whole frame into `frame` when Ready. BadLength stays so: the
    // stream cannot be resynchronised.
    Result next(Frame& frame);

private:
    std::vector<std::uint8_t> pending_;
};

}  // namespace pivora::link
