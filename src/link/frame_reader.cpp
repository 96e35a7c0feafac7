#include "link/frame_reader.h"

#include <cstring>

#include "platform/byte_order.h"

namespace pivora::link {

bool FrameReader::take(std::size_t count) {
    if (!ok_ || bytes_.size() - at_ < count) {
        ok_ = false;
        return false;
    }
    at_ += count;
    return true;
}

std::uint8_t FrameReader::u8() { return take(1) ? bytes_[at_ - 1] : 0; }

std::uint32_t FrameReader::u32() { return take(4) ? readLe32(&bytes_[at_ - 4]) : 0; }

std::uint64_t FrameReader::u64() {
    const std::uint64_t low = u32();
    return low | (static_cast<std::uint64_t>(u32()) << 32);
}

TextArg FrameReader::text() {
    TextArg arg;
    arg.present = u8() != 0;
    if (!arg.present) return arg;
    const std::size_t low = u8();
    const std::size_t length = low | (static_cast<std::size_t>(u8()) << 8);
    if (length > kMaxTextBytes || !take(length)) {
        ok_ = false;
        return {};
    }
    arg.value.assign(reinterpret_cast<const char*>(&bytes_[at_ - length]), length);
    // A terminator inside would make the call see another, shorter text.
    if (arg.value.find('\0') != std::string::npos) ok_ = false;
    return arg;
}

BufferArg FrameReader::buffer(std::uint32_t limit) {
    BufferArg arg;
    arg.present = u8() != 0;
    arg.size = u32();
    if (!arg.present) return arg;
    if (arg.size > limit || !take(arg.size)) {
        ok_ = false;
        return {};
    }
    // One byte more, so that even an empty buffer is a real address.
    arg.bytes.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_ - arg.size),
                     bytes_.begin() + static_cast<std::ptrdiff_t>(at_));
    arg.bytes.push_back(0);
    return arg;
}

void FrameReader::bufferInto(void* destination, std::uint32_t size) {
    const BufferArg arg = buffer();
    if (!arg.present || destination == nullptr) return;
    if (arg.size != size) {
        ok_ = false;
        return;
    }
    std::memcpy(destination, arg.bytes.data(), size);
}

}  // namespace pivora::link
