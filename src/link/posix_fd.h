#pragma once

#include <unistd.h>

#include <utility>

namespace pivora::link {

// A POSIX file descriptor closed when its owner goes.
class PosixFd {
public:
    PosixFd() = default;
    explicit PosixFd(int fd) : fd_(fd) {}
    ~PosixFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    PosixFd(PosixFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    PosixFd& operator=(PosixFd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    PosixFd(const PosixFd&) = delete;
    PosixFd& operator=(const PosixFd&) = delete;

    int get() const { return fd_; }
    // Hands the descriptor over: it is no longer closed here.
    int release() { return std::exchange(fd_, -1); }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace pivora::link
