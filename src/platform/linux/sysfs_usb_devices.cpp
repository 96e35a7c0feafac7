#include "platform/linux/sysfs_usb_devices.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/linux/sysfs_attribute.h"
#include "platform/linux/usb_device_name.h"

namespace pivora {

namespace {

// Far more entries than a bus directory holds (127 devices a bus, and their
// interfaces); past this the listing stops rather than run on.
constexpr std::size_t kMaxListedEntries = 8192;
constexpr std::uint8_t kHubClass = 0x09;

// A device's string as a person reads it: no control characters (the text
// ends up in a menu line), no spaces at either end.
std::string cleanString(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) c = ' ';
    }
    const auto isSpace = [](char c) { return c == ' '; };
    text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isSpace));
    text.erase(std::find_if_not(text.rbegin(), text.rend(), isSpace).base(), text.end());
    return text;
}

}  // namespace

SysfsUsbDevices::SysfsUsbDevices(std::string sysRoot) : devicesDir_(std::move(sysRoot) + "/bus/usb/devices") {}

std::vector<std::string> SysfsUsbDevices::names() const {
    std::vector<std::pair<UsbDeviceName, std::string>> found;
    std::error_code error;
    std::filesystem::directory_iterator entry(devicesDir_, error);
    for (std::size_t listed = 0; !error && entry != std::filesystem::directory_iterator() &&
                                 listed < kMaxListedEntries;
         entry.increment(error), ++listed) {
        std::string name = entry->path().filename().string();
        if (auto parsed = UsbDeviceName::parse(name)) found.emplace_back(std::move(*parsed), std::move(name));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& device : found) names.push_back(std::move(device.second));
    return names;
}

std::string SysfsUsbDevices::directory(const std::string& name) const { return devicesDir_ + "/" + name; }

std::optional<std::string> SysfsUsbDevices::attribute(const std::string& name, const char* attribute) const {
    return readSysfsAttribute(directory(name) + "/" + attribute);
}

std::optional<std::uint32_t> SysfsUsbDevices::portCount(const std::string& name) const {
    if (!UsbDeviceName::parse(name)) return std::nullopt;
    // A device that is no hub has no maxchild at all on some kernels.
    const auto text = attribute(name, "maxchild");
    if (!text) return attribute(name, "idVendor") ? std::optional<std::uint32_t>(0) : std::nullopt;
    return parseDecimal(*text, kMaxPorts);
}

std::optional<SysfsUsbDevice> SysfsUsbDevices::read(const std::string& name) const {
    if (!UsbDeviceName::parse(name)) return std::nullopt;
    const auto vendorText = attribute(name, "idVendor");
    const auto productText = attribute(name, "idProduct");
    const auto vendorId = vendorText ? parseUsbId(*vendorText) : std::nullopt;
    const auto productId = productText ? parseUsbId(*productText) : std::nullopt;
    if (!vendorId || !productId) return std::nullopt;

    SysfsUsbDevice device;
    device.name = name;
    device.vendorId = *vendorId;
    device.productId = *productId;
    // A count that cannot be read leaves the device a plain one: its ports
    // could not be walked anyway.
    const auto countText = attribute(name, "maxchild");
    device.portCount = countText ? parseDecimal(*countText, kMaxPorts).value_or(0) : 0;
    const auto classText = attribute(name, "bDeviceClass");
    const auto deviceClass = classText ? parseClassByte(*classText) : std::nullopt;
    device.isHub = device.portCount > 0 || deviceClass == kHubClass;
    device.manufacturer = cleanString(attribute(name, "manufacturer").value_or(std::string()));
    device.product = cleanString(attribute(name, "product").value_or(std::string()));
    device.serial = cleanString(attribute(name, "serial").value_or(std::string()));
    return device;
}

}  // namespace pivora
