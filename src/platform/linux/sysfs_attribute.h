#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pivora {

// No sysfs attribute Pivora reads comes near this; a longer file is not one.
constexpr std::size_t kMaxAttributeSize = 4096;

// The text of a sysfs attribute, its one closing newline taken off. Nothing
// for a file that is missing, not a regular file (a directory, a symlink
// loop), unreadable or longer than kMaxAttributeSize.
std::optional<std::string> readSysfsAttribute(const std::string& path);

// 1 to `maxDigits` (at most 8) hex digits, the whole of `text`.
std::optional<std::uint32_t> parseHexNumber(std::string_view text, std::size_t maxDigits);

// A USB ID as sysfs writes it (idVendor, idProduct): exactly four hex digits.
std::optional<std::uint16_t> parseUsbId(const std::string& text);

// A decimal number of at most `max`, digits only.
std::optional<std::uint32_t> parseDecimal(const std::string& text, std::uint32_t max);

// A device class byte (bDeviceClass): exactly two hex digits.
std::optional<std::uint8_t> parseClassByte(const std::string& text);

// A device number as a sysfs `dev` file writes it: "major:minor".
std::optional<dev_t> parseDeviceNumber(const std::string& text);

}  // namespace pivora
