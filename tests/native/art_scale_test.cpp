#include <gtest/gtest.h>

#include <utility>

#include "ui/art_scale.h"

namespace pivora::test {
namespace {

TEST(ArtScale, TheImagesDrawnNearestTheDpiAndTheSmallerHalfwayBetweenTwo) {
    // {dpi, percent}: 96 dpi is 100 %; the scales meet at 108, 132 and 168 dpi.
    for (const auto& [dpi, percent] : {std::pair{72, 100}, std::pair{108, 100}, std::pair{109, 125},
                                       std::pair{132, 125}, std::pair{133, 150}, std::pair{168, 150},
                                       std::pair{169, 200}, std::pair{480, 200}})
        EXPECT_EQ(artPercentFor(dpi), percent) << dpi << " dpi";
}

}  // namespace
}  // namespace pivora::test
