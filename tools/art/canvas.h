#pragma once

#include <cstdint>
#include <vector>

namespace pivora::art {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(Rgb lhs, Rgb rhs) { return lhs.r == rhs.r && lhs.g == rhs.g && lhs.b == rhs.b; }
    friend bool operator!=(Rgb lhs, Rgb rhs) { return !(lhs == rhs); }
};

constexpr Rgb rgb(std::uint32_t hex) {
    return Rgb{static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
               static_cast<std::uint8_t>(hex)};
}

// `amount` of `over` on top of `under`, amount in [0, scale]; integer so every
// platform rounds alike.
Rgb mix(Rgb under, Rgb over, int amount, int scale);

// A 24-bit raster, top row first.
class Canvas {
public:
    Canvas(int width, int height, Rgb fill);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const { return pixels_[index(x, y)]; }
    void set(int x, int y, Rgb colour) { pixels_[index(x, y)] = colour; }

    void fillRect(int x, int y, int w, int h, Rgb colour);
    // One pixel frame just inside the rectangle.
    void frameRect(int x, int y, int w, int h, Rgb colour);
    void blend(int x, int y, Rgb colour, int amount, int scale);

private:
    std::size_t index(int x, int y) const;

    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

}  // namespace pivora::art
