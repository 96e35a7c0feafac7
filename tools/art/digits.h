#pragma once

#include "canvas.h"

namespace pivora::art {

// Digits for the button faces, drawn pixel for pixel at each scale, since
// anything smoothed at these sizes turns to mush: 7 × 12 cells with 2-pixel
// strokes at 100 %, 9 × 15 at 125 %, 11 × 18 with 3-pixel strokes at 150 %
// and 14 × 24 with 4-pixel strokes at 200 %.
struct DigitSize {
    int width;
    int height;
};

// One of the scales in kScales.
DigitSize digitSize(int percent);

// 1 to 4, its top left cell at (left, top).
void drawDigit(Canvas& canvas, int digit, int percent, int left, int top, Rgb ink);

}  // namespace pivora::art
