#pragma once

#include <string>

namespace pivora {

// How a device is named to the user: "<maker> <product>", or the product
// alone when it already begins with the maker's name (many devices repeat
// it); whichever of the two is known when the other is not.
std::string describeUsbDevice(const std::string& maker, const std::string& product);

// `text` into a description buffer of SwitchUsb::kDescriptionSize bytes,
// cut where it must be at a whole UTF-8 character, always terminated.
void writeDescription(const std::string& text, char* descriptionOut);

}  // namespace pivora
