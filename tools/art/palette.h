#pragma once

#include <vector>

#include "canvas.h"
#include "dib.h"

namespace pivora::art {

// The sixteen colours every Windows display has, in the order 4-bit bitmaps index them.
const std::vector<Rgb>& vgaPalette();

// A palette of at most `maxColours` for these pixels: `fixed` first, exactly as
// given, then the pixels' own colours if they fit, else a median cut of them.
std::vector<Rgb> choosePalette(const std::vector<Rgb>& pixels, const std::vector<Rgb>& fixed, int maxColours);

// Each pixel as its nearest palette colour; on a tie the lower index wins.
IndexedImage toIndexed(const Canvas& canvas, const std::vector<Rgb>& palette);

}  // namespace pivora::art
