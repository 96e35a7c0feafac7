#include "platform/linux/usb_device_name.h"

#include "platform/linux/sysfs_attribute.h"

namespace pivora {

namespace {

// USB allows seven tiers below the root hub; a bus number and a port number
// fit three digits.
constexpr std::size_t kMaxPorts = 7;
constexpr std::uint32_t kMaxNumber = 999;
constexpr std::uint32_t kMaxPortNumber = 255;

std::optional<std::uint32_t> parseNumber(const std::string& text, std::uint32_t max) {
    if (text.size() > 1 && text.front() == '0') return std::nullopt;
    const auto value = parseDecimal(text, max);
    if (!value || *value == 0) return std::nullopt;
    return value;
}

}  // namespace

std::optional<UsbDeviceName> UsbDeviceName::parse(const std::string& name) {
    UsbDeviceName parsed;
    if (name.compare(0, 3, "usb") == 0) {
        const auto bus = parseNumber(name.substr(3), kMaxNumber);
        if (!bus) return std::nullopt;
        parsed.rootHub = true;
        parsed.numbers.push_back(*bus);
        return parsed;
    }
    const std::size_t dash = name.find('-');
    if (dash == std::string::npos) return std::nullopt;
    const auto bus = parseNumber(name.substr(0, dash), kMaxNumber);
    if (!bus) return std::nullopt;
    parsed.numbers.push_back(*bus);
    std::size_t start = dash + 1;
    while (parsed.numbers.size() <= kMaxPorts) {
        const std::size_t dot = name.find('.', start);
        const auto port = parseNumber(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start),
                                      kMaxPortNumber);
        if (!port) return std::nullopt;
        parsed.numbers.push_back(*port);
        if (dot == std::string::npos) return parsed;
        start = dot + 1;
    }
    return std::nullopt;
}

std::optional<std::string> UsbDeviceName::child(int port) const {
    if (port < 0 || static_cast<std::uint32_t>(port) >= kMaxPortNumber || numbers.empty()) return std::nullopt;
    std::string name = std::to_string(numbers.front());
    for (std::size_t at = 1; at < numbers.size(); ++at) name += (at == 1 ? "-" : ".") + std::to_string(numbers[at]);
    name += (rootHub ? "-" : ".") + std::to_string(port + 1);
    // A hub already at the last tier has no children that have names.
    if (!parse(name)) return std::nullopt;
    return name;
}

bool UsbDeviceName::operator<(const UsbDeviceName& other) const {
    if (rootHub != other.rootHub) return rootHub;
    return numbers < other.numbers;
}

}  // namespace pivora
