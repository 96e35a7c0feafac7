#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

namespace pivora::art {

// A complete .png file of `canvas` with `alpha` (row by row, top first, 0
// clear to 255 opaque): 8-bit RGBA, not interlaced. The image data is a
// zlib stream of stored deflate blocks: valid everywhere, and the same bytes
// on every run without a compressor to carry.
std::vector<std::uint8_t> encodePng(const Canvas& canvas, const std::vector<std::uint8_t>& alpha);

}  // namespace pivora::art
