#pragma once

#include "canvas.h"

namespace pivora::art {

// Digits for the button faces: 7 × 12 cells with 2-pixel strokes, drawn
// pixel for pixel, since anything smoothed at this size turns to mush.
constexpr int kDigitWidth = 7;
constexpr int kDigitHeight = 12;

// 1 to 4.
void drawDigit(Canvas& canvas, int digit, int left, int top, Rgb ink);

}  // namespace pivora::art
