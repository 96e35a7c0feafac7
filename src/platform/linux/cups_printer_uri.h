#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/present_usb_devices.h"

namespace pivora {

// What a CUPS queue's device URI says of a USB printer:
// usb://<make>/<model>[?serial=<serial>][&interface=<n>]..., the parts
// URL-escaped by CUPS (a space as %20).
struct UsbPrinterUri {
    std::string make;
    std::string model;
    std::string serial;  // empty when the URI names none
};

// The unescaped parts of a usb:// device URI; nothing for any other scheme,
// a URI without make or model, a bad escape or a NUL in a part.
std::optional<UsbPrinterUri> parseUsbPrinterUri(const std::string& uri);

// The present device a usb:// device URI stands for: the first whose serial
// is the URI's, else the first whose manufacturer and product are the URI's
// make and model (ASCII case aside); nothing when none is, or when the URI
// is not a usb:// one.
std::optional<UsbIdentity> matchUsbPrinterUri(const std::string& uri, const std::vector<UsbIdentity>& present);

}  // namespace pivora
