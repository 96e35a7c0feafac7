#include "png_writer.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

namespace pivora::art {

namespace {

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> made{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            made[n] = c;
        }
        return made;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(const std::vector<std::uint8_t>& data) {
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// Length, type, data, and the CRC of type and data.
void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBe32(out, crc32(out.data() + start, out.size() - start));
}

// zlib's header (deflate, 32 KiB window, no dictionary), the data in stored
// blocks of at most 65535 bytes, and the Adler-32 of the data.
std::vector<std::uint8_t> storedZlib(const std::vector<std::uint8_t>& data) {
    constexpr std::size_t kMaxStored = 0xFFFF;
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t length = std::min(kMaxStored, data.size() - at);
        const bool last = at + length == data.size();
        out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00
        out.push_back(static_cast<std::uint8_t>(length));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length));
        out.push_back(static_cast<std::uint8_t>(~length >> 8));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < data.size());
    putBe32(out, adler32(data));
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Canvas& canvas, const std::vector<std::uint8_t>& alpha) {
    const int width = canvas.width();
    const int height = canvas.height();
    if (alpha.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        throw std::invalid_argument("encodePng: " + std::to_string(alpha.size()) + " alpha values for " +
                                    std::to_string(width) + "x" + std::to_string(height));

    std::vector<std::uint8_t> header;
    putBe32(header, static_cast<std::uint32_t>(width));
    putBe32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive filters, no interlace

    // Each row starts with its filter type, 0: the bytes as they are.
    std::vector<std::uint8_t> rows;
    rows.reserve(static_cast<std::size_t>(height) * (1 + 4 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        rows.push_back(0);
        for (int x = 0; x < width; ++x) {
            const Rgb pixel = canvas.at(x, y);
            rows.insert(rows.end(), {pixel.r, pixel.g, pixel.b, alpha[static_cast<std::size_t>(y * width + x)]});
        }
    }

    std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", storedZlib(rows));
    putChunk(file, "IEND", {});
    return file;
}

}  // namespace pivora::art
