#include "dib.h"

#include <stdexcept>

namespace pivora::art {

int rowStride(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

namespace {
std::size_t rowStart(int y, int height, int stride) {
    return static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(stride);
}
}  // namespace

Dib packTrueColour(const Canvas& canvas) {
    Dib dib;
    dib.width = canvas.width();
    dib.height = canvas.height();
    dib.bitsPerPixel = 24;
    int stride = rowStride(dib.width, 24);
    dib.rows.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(dib.height), 0);
    for (int y = 0; y < dib.height; ++y) {
        std::uint8_t* row = dib.rows.data() + rowStart(y, dib.height, stride);
        for (int x = 0; x < dib.width; ++x) {
            Rgb c = canvas.at(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    return dib;
}

Dib packIndexed(const IndexedImage& image, int bitsPerPixel) {
    if (bitsPerPixel != 4 && bitsPerPixel != 8) throw std::invalid_argument("indexed pictures are 4 or 8 bits");
    std::size_t entries = std::size_t{1} << bitsPerPixel;
    if (image.palette.size() > entries) throw std::invalid_argument("palette too long for the depth");
    if (image.indices.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        throw std::invalid_argument("index count does not match the size");

    Dib dib;
    dib.width = image.width;
    dib.height = image.height;
    dib.bitsPerPixel = bitsPerPixel;
    dib.palette = image.palette;
    dib.palette.resize(entries, Rgb{});
    int stride = rowStride(dib.width, bitsPerPixel);
    dib.rows.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(dib.height), 0);
    for (int y = 0; y < dib.height; ++y) {
        std::uint8_t* row = dib.rows.data() + rowStart(y, dib.height, stride);
        for (int x = 0; x < dib.width; ++x) {
            std::uint8_t index = image.indices[static_cast<std::size_t>(y) * image.width + x];
            if (index >= image.palette.size()) throw std::invalid_argument("index past the palette");
            if (bitsPerPixel == 8)
                row[x] = index;
            else
                row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
    }
    return dib;
}

std::vector<std::uint8_t> packBits(const std::vector<bool>& flags, int width, int height) {
    if (flags.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("flag count does not match the size");
    int stride = rowStride(width, 1);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + rowStart(y, height, stride);
        for (int x = 0; x < width; ++x)
            if (flags[static_cast<std::size_t>(y) * width + x])
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return rows;
}

void ByteSink::le16(std::uint16_t value) {
    u8(static_cast<std::uint8_t>(value));
    u8(static_cast<std::uint8_t>(value >> 8));
}

void ByteSink::le32(std::uint32_t value) {
    le16(static_cast<std::uint16_t>(value));
    le16(static_cast<std::uint16_t>(value >> 16));
}

void writeInfoHeader(ByteSink& out, const Dib& dib, int storedHeight, std::uint32_t imageBytes) {
    out.le32(kInfoHeaderSize);
    out.le32(static_cast<std::uint32_t>(dib.width));
    out.le32(static_cast<std::uint32_t>(storedHeight));  // positive: bottom-up
    out.le16(1);                                         // planes
    out.le16(static_cast<std::uint16_t>(dib.bitsPerPixel));
    out.le32(0);  // BI_RGB
    out.le32(imageBytes);
    // No physical size: these are screen pixels, shown 1:1.
    out.le32(0);
    out.le32(0);
    out.le32(0);  // colours used: all 2^bits
    out.le32(0);  // colours important: all
}

void writePalette(ByteSink& out, const Dib& dib) {
    for (Rgb c : dib.palette) {
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
}

}  // namespace pivora::art
