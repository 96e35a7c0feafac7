#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "pictures.h"
#include "scale.h"

namespace pivora::art {
namespace {

std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// A 24-bit .bmp file read back: its size and pixels.
struct Bitmap {
    int width;
    int height;
    const std::vector<std::uint8_t>* bytes;

    explicit Bitmap(const ArtFile& file)
        : width(static_cast<int>(le32At(file.bytes, 18))),
          height(static_cast<int>(le32At(file.bytes, 22))),
          bytes(&file.bytes) {}

    Rgb at(int x, int y) const {
        const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        const std::size_t pixel = le32At(*bytes, 10) + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x;
        return Rgb{(*bytes)[pixel + 2], (*bytes)[pixel + 1], (*bytes)[pixel]};
    }
};

class ArtAtScale : public ::testing::TestWithParam<int> {};

TEST_P(ArtAtScale, ButtonsKeepTheirFaceWhereItIsReadAndTheirDigitClearOfTheEdge) {
    const int percent = GetParam();
    struct Style {
        const char* name;
        Rgb face;
        Rgb ink;
    };
    const Style styles[] = {{"dim", rgb(0xFFFFFF), rgb(0xFF9600)},
                            {"lit", rgb(0xF69A15), rgb(0x000000)},
                            {"pending", rgb(0xFAADAD), rgb(0x000000)}};
    const std::vector<ArtFile> buttons = drawButtons(percent);
    ASSERT_EQ(buttons.size(), 12u);
    for (std::size_t index = 0; index < buttons.size(); ++index) {
        const Style& style = styles[index / 4];
        const std::string name = scaledName(std::string("arrow_") + style.name + "_" + std::to_string(index % 4 + 1),
                                            percent);
        EXPECT_EQ(buttons[index].name, name);
        const Bitmap bitmap(buttons[index]);
        EXPECT_EQ(bitmap.width, scaled(13, percent)) << name;
        EXPECT_EQ(bitmap.height, scaled(26, percent)) << name;
        // The Wine drivers tell the three images apart by this pixel.
        EXPECT_EQ(bitmap.at(2, 2), style.face) << name;

        int ink = 0;
        int inkNearTheEdge = 0;
        for (int y = 0; y < bitmap.height; ++y)
            for (int x = 0; x < bitmap.width; ++x) {
                if (bitmap.at(x, y) != style.ink) continue;
                ++ink;
                const bool nearEdge = x < 3 || y < 3 || x >= bitmap.width - 3 || y >= bitmap.height - 3;
                inkNearTheEdge += nearEdge ? 1 : 0;
            }
        EXPECT_GT(ink, 0) << name;
        EXPECT_EQ(inkNearTheEdge, 0) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryScale, ArtAtScale, ::testing::ValuesIn(kScales),
                         [](const ::testing::TestParamInfo<int>& scale) { return std::to_string(scale.param); });

TEST(ArtNames, OnlyTheHundredPercentFilesKeepPlainNames) {
    EXPECT_EQ(scaledName("banner", 100), "banner.bmp");
    EXPECT_EQ(scaledName("arrow_lit_2", 150), "arrow_lit_2@150.bmp");
}

TEST(ArtIcon, HoldsTheSmallAndLargeIconOfEveryScaleInFullColour) {
    const std::vector<std::uint8_t> icon = drawAppIcon().bytes;
    std::set<int> trueColourSizes;
    const int count = icon[4] | icon[5] << 8;
    for (int entry = 0; entry < count; ++entry) {
        const std::size_t at = 6 + 16 * static_cast<std::size_t>(entry);
        if ((icon[at + 6] | icon[at + 7] << 8) == 24) trueColourSizes.insert(icon[at]);
    }
    EXPECT_EQ(trueColourSizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64}));
}

}  // namespace
}  // namespace pivora::art
