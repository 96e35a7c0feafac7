#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace pivora::fuzz {

// Takes a fuzz input apart into the values a target needs. Once the bytes
// run out every read answers zero or empty, so any input is a whole run.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return offset_ >= size_; }
    std::size_t remaining() const { return empty() ? 0 : size_ - offset_; }

    std::uint8_t u8() { return empty() ? 0 : data_[offset_++]; }
    // Low byte first. The two reads are separate statements: the operands of
    // one expression may be evaluated in any order, and g++ and clang differ,
    // so an input found by libFuzzer would replay differently.
    std::uint16_t u16() {
        const unsigned low = u8();
        return static_cast<std::uint16_t>(low | (static_cast<unsigned>(u8()) << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    // `count` bytes into `out`, as that many u8() would read them.
    void fill(std::uint8_t* out, std::size_t count) {
        const std::size_t taken = count < remaining() ? count : remaining();
        if (taken > 0) std::memcpy(out, data_ + offset_, taken);
        if (count > taken) std::memset(out + taken, 0, count - taken);
        offset_ += taken;
    }
    bool flag() { return (u8() & 1) != 0; }
    // A value in [0, count), count > 0.
    std::uint32_t below(std::uint32_t count) { return u32() % count; }

    // Up to `limit` bytes, as many as a leading length byte pair asks for.
    std::vector<std::uint8_t> bytes(std::size_t limit) {
        std::size_t length = u16();
        if (length > limit) length = limit;
        if (length > remaining()) length = remaining();
        std::vector<std::uint8_t> taken(data_ + offset_, data_ + offset_ + length);
        offset_ += length;
        return taken;
    }
    std::string text(std::size_t limit) {
        const std::vector<std::uint8_t> taken = bytes(limit);
        return std::string(taken.begin(), taken.end());
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

}  // namespace pivora::fuzz
