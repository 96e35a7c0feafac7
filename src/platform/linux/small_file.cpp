#include "platform/linux/small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "link/posix_fd.h"

namespace pivora {

std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes) {
    // Non-blocking so that a FIFO planted where the file should be cannot
    // hold the caller; it is then refused as not a regular file.
    const link::PosixFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file) return std::nullopt;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;

    // One byte past the limit tells a file at the limit from a longer one.
    std::string text(maxBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t got = ::read(file.get(), &text[filled], text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > maxBytes) return std::nullopt;
    text.resize(filled);
    return text;
}

}  // namespace pivora
