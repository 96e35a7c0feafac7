#include "canvas.h"

#include <stdexcept>

namespace pivora::art {

namespace {
std::uint8_t mixChannel(int under, int over, int amount, int scale) {
    return static_cast<std::uint8_t>((under * (scale - amount) + over * amount + scale / 2) / scale);
}
}  // namespace

Rgb mix(Rgb under, Rgb over, int amount, int scale) {
    return Rgb{mixChannel(under.r, over.r, amount, scale), mixChannel(under.g, over.g, amount, scale),
               mixChannel(under.b, over.b, amount, scale)};
}

Canvas::Canvas(int width, int height, Rgb fill)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("canvas needs a positive size");
}

std::size_t Canvas::index(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("pixel outside the canvas");
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
}

void Canvas::fillRect(int x, int y, int w, int h, Rgb colour) {
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col) set(col, row, colour);
}

void Canvas::frameRect(int x, int y, int w, int h, Rgb colour) {
    fillRect(x, y, w, 1, colour);
    fillRect(x, y + h - 1, w, 1, colour);
    fillRect(x, y, 1, h, colour);
    fillRect(x + w - 1, y, 1, h, colour);
}

void Canvas::blend(int x, int y, Rgb colour, int amount, int scale) { set(x, y, mix(at(x, y), colour, amount, scale)); }

}  // namespace pivora::art
