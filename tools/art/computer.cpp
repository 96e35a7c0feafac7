#include "bmp_writer.h"
#include "pictures.h"
#include "scale.h"
#include "shapes.h"

namespace pivora::art {

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 28;

void drawLaptop(Canvas& canvas, const Scaling& scale) {
    // Base first, so the lid's hinge sits on it.
    paint(canvas, scale.shape(roundedRect(37, 22, 77, 26, 1.5)), rgb(0x6E737A));
    paint(canvas, scale.shape(convexPolygon({{41.5, 20}, {72.5, 20}, {76.5, 23.5}, {37.5, 23.5}})),
          [&](int, int y) { return ramp(rgb(0xD9DCE0), rgb(0xB4B9BF), scale.pixel(20), scale.pixel(23), y); });
    paint(canvas, scale.shape(roundedRect(53, 23.5, 61, 24.5, 0.5)), rgb(0x5A5F66));

    paint(canvas, scale.shape(roundedRect(42, 2, 72, 21, 2)), rgb(0x3E4349));
    Region screen = scale.shape(rect(44, 4, 70, 19));
    auto glass = [&](int, int y) { return ramp(rgb(0xE4E9EE), rgb(0xB7C1CB), scale.pixel(4), scale.pixel(18), y); };
    paint(canvas, screen, glass);
    // A soft diagonal glare across the glass.
    paint(canvas, intersect(screen, scale.shape(convexPolygon({{52, 4}, {59, 4}, {49, 19}, {42, 19}}))),
          [&](int x, int y) { return mix(glass(x, y), rgb(0xFFFFFF), 2, 5); });
}

void drawPointer(Canvas& canvas, const Scaling& scale) {
    Region arrow = unite(roundedRect(3, 11, 25, 17, 1.5), convexPolygon({{22, 4.5}, {33, 14}, {22, 23.5}}));
    paint(canvas, scale.shape(arrow),
          [&](int, int y) { return ramp(rgb(0x5AA6F5), rgb(0x1559C2), scale.pixel(5), scale.pixel(23), y); });
}

}  // namespace

ArtFile drawComputer(int percent) {
    const Scaling scale(percent);
    Canvas canvas(scaled(kWidth, percent), scaled(kHeight, percent), kDialogFace);
    drawPointer(canvas, scale);
    drawLaptop(canvas, scale);
    return {scaledName("computer", percent), encodeBmp(packTrueColour(canvas))};
}

}  // namespace pivora::art
