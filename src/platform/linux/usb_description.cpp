#include "platform/linux/usb_description.h"

#include <cstring>

#include "platform/ascii_case.h"
#include "usb/switch_usb.h"

namespace pivora {

namespace {

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t at = 0; at < prefix.size(); ++at)
        if (lowerAscii(text[at]) != lowerAscii(prefix[at])) return false;
    return true;
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string describeUsbDevice(const std::string& maker, const std::string& product) {
    if (product.empty()) return maker;
    if (maker.empty() || startsWithIgnoringCase(product, maker)) return product;
    return maker + " " + product;
}

void writeDescription(const std::string& text, char* descriptionOut) {
    std::size_t length = text.size();
    if (length >= SwitchUsb::kDescriptionSize) {
        // Back to the start of the character the cut falls in.
        length = SwitchUsb::kDescriptionSize - 1;
        while (length > 0 && isContinuationByte(text[length])) --length;
    }
    std::memcpy(descriptionOut, text.data(), length);
    descriptionOut[length] = '\0';
}

}  // namespace pivora
