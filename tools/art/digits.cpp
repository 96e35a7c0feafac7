#include "digits.h"

#include <array>
#include <stdexcept>

namespace pivora::art {

namespace {
using DigitRows = std::array<const char*, kDigitHeight>;

// clang-format off
constexpr std::array<DigitRows, 4> kDigits = {{
    {"...##..",
     "..###..",
     ".####..",
     "...##..",
     "...##..",
     "...##..",
     "...##..",
     "...##..",
     "...##..",
     "...##..",
     ".######",
     ".######"},
    {".#####.",
     "##...##",
     "##...##",
     ".....##",
     "....##.",
     "...##..",
     "..##...",
     ".##....",
     "##.....",
     "##.....",
     "#######",
     "#######"},
    {".#####.",
     "##...##",
     ".....##",
     ".....##",
     "....##.",
     "..###..",
     "..####.",
     ".....##",
     ".....##",
     "##...##",
     "##...##",
     ".#####."},
    {"....##.",
     "...###.",
     "..####.",
     ".##.##.",
     ".##.##.",
     "##..##.",
     "##..##.",
     "#######",
     "#######",
     "....##.",
     "....##.",
     "....##."},
}};
// clang-format on
}  // namespace

void drawDigit(Canvas& canvas, int digit, int left, int top, Rgb ink) {
    if (digit < 1 || digit > 4) throw std::invalid_argument("only digits 1 to 4 are drawn");
    const DigitRows& rows = kDigits[static_cast<std::size_t>(digit - 1)];
    for (int y = 0; y < kDigitHeight; ++y)
        for (int x = 0; x < kDigitWidth; ++x)
            if (rows[static_cast<std::size_t>(y)][x] == '#') canvas.set(left + x, top + y, ink);
}

}  // namespace pivora::art
