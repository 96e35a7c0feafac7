#pragma once

namespace pivora {

// An operating-system handle exactly as the platform hands it out. Every seam
// reports "no handle" as nullptr: the Win32 seams turn INVALID_HANDLE_VALUE
// into nullptr so the portable code has one empty value to test.
using OsHandle = void*;

// Releases an OsHandle through `release` when the scope ends. Used by the
// portable code for everything it acquires and gives back within one call.
template <typename Release>
class ScopedOsHandle {
public:
    ScopedOsHandle(OsHandle handle, Release release) : handle_(handle), release_(release) {}
    ~ScopedOsHandle() {
        if (handle_ != nullptr) release_(handle_);
    }
    ScopedOsHandle(const ScopedOsHandle&) = delete;
    ScopedOsHandle& operator=(const ScopedOsHandle&) = delete;

    OsHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    OsHandle handle_;
    Release release_;
};

}  // namespace pivora
