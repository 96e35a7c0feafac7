#pragma once

#include <cstdint>
#include <vector>

#include "dib.h"

namespace pivora::art {

// A complete .bmp file: BITMAPFILEHEADER, BITMAPINFOHEADER, palette, pixels.
std::vector<std::uint8_t> encodeBmp(const Dib& dib);

}  // namespace pivora::art
