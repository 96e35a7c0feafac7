#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "ico_writer.h"
#include "png_writer.h"
#include "palette.h"
#include "shapes.h"

namespace pivora::art {
namespace {

std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t le16At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

TEST(ArtBmp, TrueColourRowsRunBottomUpInBlueGreenRedWithZeroPadding) {
    // 13 pixels of 3 bytes need one byte of padding to reach a multiple of 4.
    Canvas canvas(13, 2, rgb(0x000000));
    canvas.set(0, 0, rgb(0x112233));
    std::vector<std::uint8_t> file = encodeBmp(packTrueColour(canvas));

    ASSERT_EQ(file.size(), 54u + 2 * 40);
    EXPECT_EQ(le32At(file, 2), file.size());
    EXPECT_EQ(le32At(file, 10), 54u);
    EXPECT_EQ(le16At(file, 28), 24);
    EXPECT_EQ(le32At(file, 34), 2u * 40);
    // The top row is stored second.
    EXPECT_EQ(file[54 + 40], 0x33);
    EXPECT_EQ(file[54 + 40 + 1], 0x22);
    EXPECT_EQ(file[54 + 40 + 2], 0x11);
    EXPECT_EQ(file[54 + 39], 0);
    EXPECT_EQ(file[54 + 40 + 39], 0);
}

TEST(ArtBmp, IndexedFileCarriesTheWholePaletteBeforeThePixels) {
    IndexedImage image{3, 1, {0, 1, 2}, {rgb(0x000000), rgb(0xFF0000), rgb(0x0000FF)}};
    std::vector<std::uint8_t> file = encodeBmp(packIndexed(image, 8));

    EXPECT_EQ(le32At(file, 10), 54u + 256 * 4);
    EXPECT_EQ(file.size(), 54u + 256 * 4 + 4);
    // Red as an RGBQUAD: blue, green, red, zero.
    EXPECT_EQ(le32At(file, 54 + 4), 0x00FF0000u);
    EXPECT_EQ(file[54 + 256 * 4 + 2], 2);
}

TEST(ArtBmp, FourBitPixelsPackHighNibbleFirst) {
    IndexedImage image{3, 1, {1, 15, 7}, vgaPalette()};
    Dib dib = packIndexed(image, 4);
    ASSERT_EQ(dib.rows.size(), 4u);
    EXPECT_EQ(dib.rows[0], 0x1F);
    EXPECT_EQ(dib.rows[1], 0x70);
    EXPECT_EQ(dib.palette.size(), 16u);
}

TEST(ArtIco, DirectoryPointsAtEachImageAndTheMaskMarksTransparentPixels) {
    std::vector<IconImage> images;
    IndexedImage small{16, 16, std::vector<std::uint8_t>(256, 12), vgaPalette()};
    std::vector<bool> clear(256, false);
    clear[0] = true;  // top left
    images.push_back({packIndexed(small, 4), clear});
    images.push_back({packTrueColour(Canvas(32, 32, rgb(0x1A5CC6))), std::vector<bool>(32 * 32, false)});
    std::vector<std::uint8_t> file = encodeIco(images);

    EXPECT_EQ(le16At(file, 2), 1);
    ASSERT_EQ(le16At(file, 4), 2);
    std::size_t first = le32At(file, 6 + 12);
    std::size_t firstSize = le32At(file, 6 + 8);
    EXPECT_EQ(first, 6u + 2 * 16);
    EXPECT_EQ(le32At(file, 22 + 12), first + firstSize);
    EXPECT_EQ(first + firstSize + le32At(file, 22 + 8), file.size());
    EXPECT_EQ(file[6 + 2], 16);  // 16-colour image names its colour count
    EXPECT_EQ(file[22 + 2], 0);
    EXPECT_EQ(le16At(file, 22 + 6), 24);

    // The info header stacks picture and mask: height doubled.
    EXPECT_EQ(le32At(file, first + 8), 32u);
    // Mask rows are 4 bytes for 16 pixels; the top row is the last one.
    std::size_t mask = first + 40 + 16 * 4 + 16 * 8;
    EXPECT_EQ(firstSize, 40u + 16 * 4 + 16 * 8 + 16 * 4);
    EXPECT_EQ(file[mask + 15 * 4], 0x80);
    EXPECT_EQ(file[mask], 0x00);
}

std::uint32_t be32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
}

TEST(ArtPng, ChunksCarryStoredBlocksOfFilteredRgbaRows) {
    // 200 x 100 RGBA rows are 80100 bytes: more than one stored block holds.
    Canvas canvas(200, 100, rgb(0x1A5CC6));
    canvas.set(199, 99, rgb(0x112233));
    std::vector<std::uint8_t> alpha(200 * 100, 255);
    alpha[0] = 0;
    const std::vector<std::uint8_t> file = encodePng(canvas, alpha);

    const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));
    // IHDR: 13 bytes of width, height, 8 bits, colour type 6 (RGBA).
    EXPECT_EQ(be32At(file, 8), 13u);
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "IHDR");
    EXPECT_EQ(be32At(file, 16), 200u);
    EXPECT_EQ(be32At(file, 20), 100u);
    EXPECT_EQ(file[24], 8);
    EXPECT_EQ(file[25], 6);
    // IEND's CRC is the same in every PNG.
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(be32At(file, file.size() - 4), 0xAE426082u);

    const std::size_t idat = 8 + 12 + 13;
    EXPECT_EQ(std::string(file.begin() + static_cast<long>(idat) + 4, file.begin() + static_cast<long>(idat) + 8), "IDAT");
    const std::size_t length = be32At(file, idat);
    std::vector<std::uint8_t> zlib(file.begin() + static_cast<long>(idat) + 8,
                                   file.begin() + static_cast<long>(idat + 8 + length));
    EXPECT_EQ((zlib[0] << 8 | zlib[1]) % 31, 0);  // the header's check bits
    std::vector<std::uint8_t> rows;
    std::size_t at = 2;
    int blocks = 0;
    for (bool last = false; !last; ++blocks) {
        ASSERT_LT(at + 5, zlib.size());
        last = (zlib[at] & 1) != 0;
        EXPECT_EQ(zlib[at] & 6, 0);  // stored
        const std::size_t size = zlib[at + 1] | zlib[at + 2] << 8;
        EXPECT_EQ(size ^ (zlib[at + 3] | zlib[at + 4] << 8), 0xFFFFu);
        rows.insert(rows.end(), zlib.begin() + static_cast<long>(at) + 5, zlib.begin() + static_cast<long>(at + 5 + size));
        at += 5 + size;
    }
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(at + 4, zlib.size());  // the Adler-32 ends the stream
    ASSERT_EQ(rows.size(), 100u * (1 + 200 * 4));
    EXPECT_EQ(rows[0], 0);  // filter: none
    EXPECT_EQ(rows[1], 0x1A);
    EXPECT_EQ(rows[4], 0);  // the clear pixel
    const std::vector<std::uint8_t> lastPixel{0x11, 0x22, 0x33, 0xFF};
    EXPECT_TRUE(std::equal(lastPixel.begin(), lastPixel.end(), rows.end() - 4));
}

TEST(ArtPalette, KeepsFixedColoursFirstAndFewColoursExactly) {
    std::vector<Rgb> pixels = {rgb(0x3C8CEC), rgb(0xFFFFFF), rgb(0x3C8CEC), rgb(0x000000)};
    std::vector<Rgb> palette = choosePalette(pixels, {rgb(0x000000)}, 256);
    ASSERT_EQ(palette.size(), 3u);
    EXPECT_EQ(palette[0], rgb(0x000000));
    EXPECT_NE(std::find(palette.begin(), palette.end(), rgb(0x3C8CEC)), palette.end());
    EXPECT_NE(std::find(palette.begin(), palette.end(), rgb(0xFFFFFF)), palette.end());
}

TEST(ArtPalette, CutsManyColoursDownAndMapsEachToANearOne) {
    Canvas canvas(64, 64, Rgb{});
    std::vector<Rgb> pixels;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            canvas.set(x, y, Rgb{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 4), 128});
            pixels.push_back(canvas.at(x, y));
        }
    std::vector<Rgb> palette = choosePalette(pixels, {rgb(0x000000)}, 16);
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_EQ(palette[0], rgb(0x000000));
    IndexedImage image = toIndexed(canvas, palette);
    // 4096 colours over a 252 × 252 square in 15 boxes: each within about a box's reach.
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        Rgb got = palette[image.indices[i]];
        EXPECT_LE(std::abs(got.r - pixels[i].r) + std::abs(got.g - pixels[i].g), 96) << i;
    }
}

TEST(ArtShapes, CoverageCountsTheSamplesInsideAndHardEdgesRoundAtHalf) {
    Region leftHalf = rect(0, 0, 0.5, 1);
    EXPECT_EQ(coverage(leftHalf, 0, 0), kFullCoverage / 2);
    EXPECT_EQ(coverage(leftHalf, 1, 0), 0);

    Canvas soft(2, 1, rgb(0x000000));
    paint(soft, rect(0, 0, 1.25, 1), rgb(0xFFFFFF));
    EXPECT_EQ(soft.at(0, 0), rgb(0xFFFFFF));
    EXPECT_EQ(soft.at(1, 0), rgb(0x404040));

    Canvas hard(2, 1, rgb(0x000000));
    paint(hard, rect(0, 0, 1.25, 1), rgb(0xFFFFFF), Edges::Hard);
    EXPECT_EQ(hard.at(1, 0), rgb(0x000000));
}

}  // namespace
}  // namespace pivora::art
