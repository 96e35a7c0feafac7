#pragma once

#include <cstdint>

namespace pivora {

// A window's resolution at 100 %, in dots per inch as Windows reports it.
// The program's bitmaps (src/ui/art) are drawn at 100, 125, 150 and 200 %.
constexpr int kDefaultDpi = 96;

// The scale drawn nearest to `dpi`: 100, 125, 150 or 200. Halfway between two
// the smaller is taken, whose images fit the controls that the dialog
// manager sized for that resolution.
int artPercentFor(int dpi);

// The resource id of the bitmap whose 100 % id is `id`, drawn at `percent`
// (one of the four above).
std::uint32_t bitmapAt(std::uint32_t id, int percent);

// A length of pixels at 96 dpi, at `dpi`, to the nearest pixel (halves up,
// as MulDiv rounds them).
int pixelsAt(int pixels, int dpi);

}  // namespace pivora
