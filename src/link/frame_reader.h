#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link/protocol.h"

namespace pivora::link {

// A text field: a C string for the call, or null when none was sent.
struct TextArg {
    bool present = false;
    std::string value;
    const char* get() const { return present ? value.c_str() : nullptr; }
};

// A buffer field as the server hands it to a call: writable, its bytes as
// sent, and a real pointer even when it is 0 bytes long.
struct BufferArg {
    bool present = false;
    std::uint32_t size = 0;
    std::vector<std::uint8_t> bytes;
    std::uint8_t* get() { return present ? bytes.data() : nullptr; }
};

// An in/out word for the call: its address, or null when none was sent.
struct WordArg {
    bool present = false;
    std::uint32_t value = 0;
    std::uint32_t* get() { return present ? &value : nullptr; }
};

// Reads a frame's fields in order. A field that runs past the end, or breaks
// its bound, fails the reader; every later read gives zero.
class FrameReader {
public:
    explicit FrameReader(const Frame& frame) : bytes_(frame.payload) {}

    std::uint8_t u8();
    std::uint32_t u32();
    std::uint64_t u64();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    WordArg optionalU32() {
        WordArg arg;
        arg.present = u8() != 0;
        arg.value = u32();
        return arg;
    }
    TextArg text();
    BufferArg buffer(std::uint32_t limit = kMaxBufferBytes);
    // A buffer field copied into the caller's `size` bytes at `destination`:
    // only when the caller gave one and the field is the same size.
    void bufferInto(void* destination, std::uint32_t size);

    // Every field read and nothing left over.
    bool complete() const { return ok_ && at_ == bytes_.size(); }

private:
    bool take(std::size_t count);

    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

}  // namespace pivora::link
