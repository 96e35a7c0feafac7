#include "ui/art_scale.h"

#include <array>
#include <cstdlib>

#include "ui/resource_ids.h"

namespace pivora {

namespace {
constexpr std::array<int, 4> kPercents = {100, 125, 150, 200};
}  // namespace

int artPercentFor(int dpi) {
    int nearest = kPercents.front();
    // Compared in hundredths of a dpi: 96 dpi is 100 %.
    for (int percent : kPercents)
        if (std::abs(percent * kDefaultDpi - dpi * 100) < std::abs(nearest * kDefaultDpi - dpi * 100)) nearest = percent;
    return nearest;
}

std::uint32_t bitmapAt(std::uint32_t id, int percent) {
    switch (percent) {
        case 125:
            return IDB_AT_125(id);
        case 150:
            return IDB_AT_150(id);
        case 200:
            return IDB_AT_200(id);
        default:
            return id;
    }
}

int pixelsAt(int pixels, int dpi) { return (pixels * dpi + kDefaultDpi / 2) / kDefaultDpi; }

}  // namespace pivora
