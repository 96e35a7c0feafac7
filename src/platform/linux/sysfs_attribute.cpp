#include "platform/linux/sysfs_attribute.h"

#include <sys/sysmacros.h>

#include "platform/linux/small_file.h"

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
    std::optional<std::string> text = readSmallFile(path, kMaxAttributeSize);
    if (text && !text->empty() && text->back() == '\n') text->pop_back();
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
