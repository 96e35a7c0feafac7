#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "platform/os_handle.h"

namespace pivora::fuzz {

// What a seam answering from fuzz input relies on from its caller: a broken
// promise is a fault of the code under test, so the run stops there.
inline void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

// The handles one kind of seam has handed out and not yet had back. Each kind
// counts from its own base, so a handle given to the wrong seam is caught too.
class HandleLedger {
public:
    explicit HandleLedger(std::uintptr_t base) : base_(base) {}

    OsHandle open() {
        const OsHandle handle = reinterpret_cast<OsHandle>(base_ + 16 * ++issued_);
        open_.push_back(handle);
        return handle;
    }
    bool isOpen(OsHandle handle) const { return std::find(open_.begin(), open_.end(), handle) != open_.end(); }
    void close(OsHandle handle, const char* what) {
        const auto found = std::find(open_.begin(), open_.end(), handle);
        require(found != open_.end(), what);
        open_.erase(found);
    }
    bool allClosed() const { return open_.empty(); }

private:
    std::uintptr_t base_;
    std::uintptr_t issued_ = 0;
    std::vector<OsHandle> open_;
};

// Writes an answer into `size` bytes the caller says it owns: as many bytes
// as the input gives, then, if it asks, the rest in one byte value, as a
// driver that fills the whole buffer would. The last byte is always touched,
// so a size larger than the buffer shows at once.
inline void fillFrom(FuzzInput& input, std::uint8_t* out, std::size_t size) {
    if (size == 0) return;
    volatile std::uint8_t* last = out + size - 1;
    *last = 0;
    const std::vector<std::uint8_t> taken = input.bytes(size);
    if (!taken.empty()) std::memcpy(out, taken.data(), taken.size());
    if (input.flag()) std::memset(out + taken.size(), input.u8(), size - taken.size());
}

// Every byte of a caller's input record is read, so a size larger than the record shows.
inline void readAll(const std::uint8_t* in, std::size_t size) {
    volatile std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum = static_cast<std::uint8_t>(sum + in[i]);
}

// A text that ends within the `size` bytes it was given.
inline bool terminatedWithin(const char* text, std::size_t size) { return strnlen(text, size) < size; }

}  // namespace pivora::fuzz
