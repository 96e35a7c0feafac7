#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "canvas.h"

namespace pivora::art {

// Pixels as indices into a palette, top row first.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;
    std::vector<Rgb> palette;
};

// A picture packed the way a device-independent bitmap stores it: rows bottom
// up, each padded to four bytes, the palette (if any) at its full 2^bits length.
struct Dib {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> rows;
};

Dib packTrueColour(const Canvas& canvas);
// 4 or 8 bits per pixel.
Dib packIndexed(const IndexedImage& image, int bitsPerPixel);
// One bit per pixel, set where the flag is set; the layout of an icon's AND mask.
std::vector<std::uint8_t> packBits(const std::vector<bool>& flags, int width, int height);

int rowStride(int width, int bitsPerPixel);

class ByteSink {
public:
    void u8(std::uint8_t value) { bytes_.push_back(value); }
    void le16(std::uint16_t value);
    void le32(std::uint32_t value);
    void append(const std::vector<std::uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    std::size_t size() const { return bytes_.size(); }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

constexpr std::uint32_t kInfoHeaderSize = 40;

// BITMAPINFOHEADER; `storedHeight` is doubled by icons, which stack the mask on the picture.
void writeInfoHeader(ByteSink& out, const Dib& dib, int storedHeight, std::uint32_t imageBytes);
// RGBQUADs, blue first.
void writePalette(ByteSink& out, const Dib& dib);

}  // namespace pivora::art
