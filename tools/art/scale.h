#pragma once

#include <array>
#include <string>

#include "shapes.h"

namespace pivora::art {

// The display scales every bitmap is drawn for, in percent of 96 dpi: what
// Windows offers between a plain monitor and a 4K laptop panel.
constexpr std::array<int, 4> kScales = {100, 125, 150, 200};

// A length of the 100 % picture at `percent`, to the nearest pixel (halves up).
constexpr int scaled(int pixels, int percent) { return (pixels * percent + 50) / 100; }

// The file of a picture at `percent`: "<stem>.bmp" at 100 %, "<stem>@<percent>.bmp" otherwise.
std::string scaledName(const std::string& stem, int percent);

// A picture laid out in the pixels of its 100 % size, drawn at `percent`:
// its shapes are sampled at that resolution, not stretched afterwards.
class Scaling {
public:
    explicit Scaling(int percent) : factor_(percent / 100.0) {}

    Region shape(Region region) const { return enlarge(std::move(region), factor_); }
    // A coordinate of the 100 % layout, in pixels at this scale.
    int pixel(double at) const { return static_cast<int>(at * factor_ + 0.5); }

private:
    double factor_;
};

}  // namespace pivora::art
