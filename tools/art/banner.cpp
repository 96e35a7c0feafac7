#include "bmp_writer.h"
#include "palette.h"
#include "pictures.h"
#include "scale.h"
#include "wordmark.h"

namespace pivora::art {

namespace {
constexpr int kWidth = 425;
constexpr int kHeight = 50;
constexpr double kMargin = 18;
}  // namespace

ArtFile drawBanner(int percent) {
    const Scaling scale(percent);
    const int width = scaled(kWidth, percent);
    const int height = scaled(kHeight, percent);
    Canvas canvas(width, height, Rgb{});
    auto background = [&](int x) { return ramp(rgb(0x0B3D91), rgb(0x2F86DE), 0, width - 1, x); };
    paint(canvas, rect(0, 0, width, height), [&](int x, int) { return background(x); });

    LetterMetrics metrics{};
    metrics.capHeight = 26;
    metrics.xHeight = 19;
    metrics.stroke = 4.5;
    metrics.spacing = 2.5;
    // No descenders in the name: centre the span from cap line to baseline.
    metrics.baseline = (kHeight + metrics.capHeight) / 2;
    Lettering name = setWord("Pivora", kMargin, metrics);
    paint(canvas, scale.shape(name.ink), rgb(0xFFFFFF));

    // A large, faint two-way arrow at the far end, echoing the icon.
    double mid = kHeight / 2.0;
    double right = kWidth - kMargin;
    double left = right - 104;
    Region motif = rect(left + 20, mid - 4, right - 20, mid + 4);
    motif = unite(motif, convexPolygon({{left, mid}, {left + 22, mid - 15}, {left + 22, mid + 15}}));
    motif = unite(motif, convexPolygon({{right, mid}, {right - 22, mid + 15}, {right - 22, mid - 15}}));
    paint(canvas, scale.shape(motif), [&](int x, int) { return mix(background(x), rgb(0xFFFFFF), 1, 8); });

    std::vector<Rgb> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(canvas.at(x, y));
    IndexedImage indexed = toIndexed(canvas, choosePalette(pixels, {}, 256));
    return {scaledName("banner", percent), encodeBmp(packIndexed(indexed, 8))};
}

}  // namespace pivora::art
