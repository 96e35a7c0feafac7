#include "link/frame_writer.h"

#include <cstring>

#include "platform/byte_order.h"

namespace pivora::link {

FrameWriter::FrameWriter(MessageType type) : bytes_(kLengthPrefixBytes, 0) {
    bytes_.push_back(static_cast<std::uint8_t>(type));
}

void FrameWriter::u32(std::uint32_t value) {
    std::uint8_t field[4];
    writeLe32(field, value);
    bytes_.insert(bytes_.end(), field, field + sizeof field);
}

void FrameWriter::u64(std::uint64_t value) {
    u32(static_cast<std::uint32_t>(value));
    u32(static_cast<std::uint32_t>(value >> 32));
}

void FrameWriter::text(const char* value) {
    if (value == nullptr) {
        u8(0);
        return;
    }
    const std::size_t length = std::strlen(value);
    if (length > kMaxTextBytes) {
        overflowed_ = true;
        return;
    }
    u8(1);
    u8(static_cast<std::uint8_t>(length));
    u8(static_cast<std::uint8_t>(length >> 8));
    bytes_.insert(bytes_.end(), value, value + length);
}

void FrameWriter::buffer(const void* data, std::uint32_t size) {
    if (data != nullptr && size > kMaxBufferBytes) {
        overflowed_ = true;
        return;
    }
    u8(data != nullptr ? 1 : 0);
    u32(size);
    if (data == nullptr) return;
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), first, first + size);
}

const std::vector<std::uint8_t>& FrameWriter::finish() {
    const std::size_t length = bytes_.size() - kLengthPrefixBytes;
    if (length > kMaxFrameBytes) overflowed_ = true;
    writeLe32(bytes_.data(), static_cast<std::uint32_t>(length));
    return bytes_;
}

}  // namespace pivora::link
