#pragma once

#include <cstdint>
#include <vector>

#include "dib.h"

namespace pivora::art {

struct IconImage {
    Dib colours;
    // Row by row, top first: where the desktop shows through. The colour under
    // a transparent pixel must be black, since Windows XORs it onto the screen.
    std::vector<bool> transparent;
};

// A complete .ico file: ICONDIR, one ICONDIRENTRY per image, then each image as
// a BITMAPINFOHEADER (height doubled), palette, XOR pixels and AND mask.
std::vector<std::uint8_t> encodeIco(const std::vector<IconImage>& images);

}  // namespace pivora::art
