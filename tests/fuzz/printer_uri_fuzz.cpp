// A CUPS queue's device URI, which any user who may add a queue writes,
// against any present USB devices. The match is always one of the devices
// given, never a device for a URI that does not parse, the first with the
// URI's serial when one has it, else one of the URI's make and model; and
// what a URI's parts unescape to reads back the same once escaped again.
//
// Input: [device count u8, at most 4], per device [vendor u16][product u16]
// then its manufacturer, product and serial [u16 length, bytes]; then every
// byte left is the URI.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "adversary.h"
#include "fuzz_input.h"
#include "platform/ascii_case.h"
#include "platform/linux/cups_printer_uri.h"

namespace pivora::fuzz {
namespace {

constexpr std::size_t kMaxText = 64;

bool sameDevice(const UsbIdentity& a, const UsbIdentity& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId && a.manufacturer == b.manufacturer &&
           a.product == b.product && a.serial == b.serial;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t at = 0; at < a.size(); ++at)
        if (lowerAscii(a[at]) != lowerAscii(b[at])) return false;
    return true;
}

// Every byte outside the unreserved set as %XX, as CUPS writes a URI's parts.
std::string escape(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~';
        if (plain) {
            escaped += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            escaped += hex;
        }
    }
    return escaped;
}

void checkMatch(const std::string& uri, const std::vector<UsbIdentity>& present) {
    const std::optional<UsbPrinterUri> parts = parseUsbPrinterUri(uri);
    const std::optional<UsbIdentity> match = matchUsbPrinterUri(uri, present);
    if (!parts) {
        require(!match, "no device for a URI that does not parse");
        return;
    }
    require(!parts->make.empty() && !parts->model.empty(), "a parsed URI names a make and a model");
    const auto again = parseUsbPrinterUri("usb://" + escape(parts->make) + "/" + escape(parts->model) +
                                          "?serial=" + escape(parts->serial));
    require(again && again->make == parts->make && again->model == parts->model && again->serial == parts->serial,
            "escaped again, the parts read back the same");

    if (!parts->serial.empty()) {
        for (const UsbIdentity& device : present) {
            if (device.serial != parts->serial) continue;
            require(match && sameDevice(*match, device), "the first device with the URI's serial is the match");
            return;
        }
    }
    if (!match) {
        for (const UsbIdentity& device : present)
            require(!sameIgnoringCase(device.manufacturer, parts->make) || !sameIgnoringCase(device.product, parts->model),
                    "a device of the URI's make and model is found");
        return;
    }
    bool given = false;
    for (const UsbIdentity& device : present) given = given || sameDevice(device, *match);
    require(given, "the match is one of the present devices");
    require(sameIgnoringCase(match->manufacturer, parts->make) && sameIgnoringCase(match->product, parts->model),
            "without the serial, make and model match");
}

}  // namespace
}  // namespace pivora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pivora;
    fuzz::FuzzInput input(data, size);
    std::vector<UsbIdentity> present(input.u8() % 5);
    for (UsbIdentity& device : present) {
        device.vendorId = input.u16();
        device.productId = input.u16();
        device.manufacturer = input.text(fuzz::kMaxText);
        device.product = input.text(fuzz::kMaxText);
        device.serial = input.text(fuzz::kMaxText);
    }
    std::string uri(input.remaining(), '\0');
    input.fill(reinterpret_cast<std::uint8_t*>(&uri[0]), uri.size());
    fuzz::checkMatch(uri, present);
    return 0;
}
