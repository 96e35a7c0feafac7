#include "link/frame_assembler.h"

#include "link/protocol.h"
#include "platform/byte_order.h"

namespace pivora::link {

FrameAssembler::Result FrameAssembler::next(Frame& frame) {
    if (pending_.size() < kLengthPrefixBytes) return Result::NeedMore;
    const std::uint32_t length = readLe32(pending_.data());
    if (length == 0 || length > kMaxFrameBytes) return Result::BadLength;
    if (pending_.size() - kLengthPrefixBytes < length) return Result::NeedMore;
    const auto first = pending_.begin() + static_cast<std::ptrdiff_t>(kLengthPrefixBytes);
    const auto end = first + static_cast<std::ptrdiff_t>(length);
    frame.type = *first;
    frame.payload.assign(first + 1, end);
    pending_.erase(pending_.begin(), end);
    return Result::Ready;
}

}  // namespace pivora::link
