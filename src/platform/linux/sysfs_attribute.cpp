#include "platform/linux/sysfs_attribute.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "link/posix_fd.h"

namespace pivora {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The kernel's limits for a device number's halves.
constexpr std::uint32_t kMaxMajor = 4095;
constexpr std::uint32_t kMaxMinor = (1u << 20) - 1;

}  // namespace

std::optional<std::string> readSysfsAttribute(const std::string& path) {
    // Non-blocking so that a FIFO planted where an attribute should be cannot
    // hold the caller; it is then refused as not a regular file.
    const link::PosixFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file) return std::nullopt;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;

    // One byte past the limit tells a file at the limit from a longer one.
    std::string text(kMaxAttributeSize + 1, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t got = ::read(file.get(), &text[filled], text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > kMaxAttributeSize) return std::nullopt;
    text.resize(filled);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::optional<std::uint32_t> parseHexNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits || maxDigits > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = hexValue(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::uint16_t> parseUsbId(const std::string& text) {
    if (text.size() != 4) return std::nullopt;
    const auto value = parseHexNumber(text, 4);
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

std::optional<std::uint8_t> parseClassByte(const std::string& text) {
    if (text.size() != 2) return std::nullopt;
    const auto value = parseHexNumber(text, 2);
    if (!value) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint32_t> parseDecimal(const std::string& text, std::uint32_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > max) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<dev_t> parseDeviceNumber(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const auto major = parseDecimal(text.substr(0, colon), kMaxMajor);
    const auto minor = parseDecimal(text.substr(colon + 1), kMaxMinor);
    if (!major || !minor) return std::nullopt;
    return makedev(*major, *minor);
}

}  // namespace pivora
