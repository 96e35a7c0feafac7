#pragma once

#include <cstdint>
#include <vector>

#include "link/protocol.h"

namespace pivora::link {

// Builds one frame, its length prefix included. A field over its bound is
// not written and marks the frame overflowed: the caller does not send it.
class FrameWriter {
public:
    explicit FrameWriter(MessageType type);

    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void u32(std::uint32_t value);
    void u64(std::uint64_t value);
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    // An in/out word the caller may not have given: u8 present, u32 value.
    void optionalU32(const std::uint32_t* value) {
        u8(value != nullptr ? 1 : 0);
        u32(value != nullptr ? *value : 0);
    }
    // A C string, or none when null.
    void text(const char* value);
    // `size` bytes at `data`; absent when `data` is null, the size still carried.
    void buffer(const void* data, std::uint32_t size);

    MessageType type() const { return static_cast<MessageType>(bytes_[kLengthPrefixBytes]); }
    bool overflowed() const { return overflowed_; }
    // The whole frame, its length prefix set.
    const std::vector<std::uint8_t>& finish();

private:
    std::vector<std::uint8_t> bytes_;
    bool overflowed_ = false;
};

}  // namespace pivora::link
