#include "platform/linux/cups_printer_uri.h"

#include <cstddef>

#include "platform/ascii_case.h"

namespace pivora {

namespace {

constexpr char kScheme[] = "usb://";
constexpr std::size_t kSchemeLength = sizeof kScheme - 1;

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX escapes undone; nothing for a cut or non-hex escape, or for a NUL,
// escaped or not, which no C string on the way to the device could carry.
std::optional<std::string> unescape(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\0') return std::nullopt;
        if (text[at] != '%') {
            plain += text[at];
            continue;
        }
        if (at + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[at + 1]);
        const int low = hexValue(text[at + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        plain += static_cast<char>(high * 16 + low);
        at += 2;
    }
    return plain;
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t at = 0; at < a.size(); ++at)
        if (lowerAscii(a[at]) != lowerAscii(b[at])) return false;
    return true;
}

// The raw value of the first `name=` parameter of a query; empty when none.
std::string queryValue(const std::string& query, const std::string& name) {
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string parameter = query.substr(start, end - start);
        if (parameter.size() > name.size() && parameter.compare(0, name.size(), name) == 0 &&
            parameter[name.size()] == '=')
            return parameter.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

}  // namespace

std::optional<UsbPrinterUri> parseUsbPrinterUri(const std::string& uri) {
    if (uri.size() < kSchemeLength || !equalIgnoringCase(uri.substr(0, kSchemeLength), kScheme)) return std::nullopt;
    // A fragment says nothing of the device.
    const std::string rest = uri.substr(kSchemeLength, uri.find('#', kSchemeLength) - kSchemeLength);
    const std::size_t queryAt = rest.find('?');
    const std::string path = rest.substr(0, queryAt);
    const std::string query = queryAt == std::string::npos ? std::string() : rest.substr(queryAt + 1);

    const std::size_t slash = path.find('/');
    if (slash == std::string::npos) return std::nullopt;
    const auto make = unescape(path.substr(0, slash));
    const auto model = unescape(path.substr(slash + 1));
    const auto serial = unescape(queryValue(query, "serial"));
    if (!make || !model || !serial || make->empty() || model->empty()) return std::nullopt;
    return UsbPrinterUri{*make, *model, *serial};
}

std::optional<UsbIdentity> matchUsbPrinterUri(const std::string& uri, const std::vector<UsbIdentity>& present) {
    const auto printer = parseUsbPrinterUri(uri);
    if (!printer) return std::nullopt;
    if (!printer->serial.empty()) {
        for (const UsbIdentity& device : present)
            if (device.serial == printer->serial) return device;
    }
    for (const UsbIdentity& device : present)
        if (equalIgnoringCase(device.manufacturer, printer->make) && equalIgnoringCase(device.product, printer->model))
            return device;
    return std::nullopt;
}

}  // namespace pivora
