#include "bmp_writer.h"
#include "pictures.h"
#include "shapes.h"

namespace pivora::art {

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 28;

void drawLaptop(Canvas& canvas) {
    // Base first, so the lid's hinge sits on it.
    paint(canvas, roundedRect(37, 22, 77, 26, 1.5), rgb(0x6E737A));
    paint(canvas, convexPolygon({{41.5, 20}, {72.5, 20}, {76.5, 23.5}, {37.5, 23.5}}),
          [](int, int y) { return ramp(rgb(0xD9DCE0), rgb(0xB4B9BF), 20, 23, y); });
    paint(canvas, roundedRect(53, 23.5, 61, 24.5, 0.5), rgb(0x5A5F66));

    paint(canvas, roundedRect(42, 2, 72, 21, 2), rgb(0x3E4349));
    Region screen = rect(44, 4, 70, 19);
    auto glass = [](int, int y) { return ramp(rgb(0xE4E9EE), rgb(0xB7C1CB), 4, 18, y); };
    paint(canvas, screen, glass);
    // A soft diagonal glare across the glass.
    paint(canvas, intersect(screen, convexPolygon({{52, 4}, {59, 4}, {49, 19}, {42, 19}})),
          [&](int x, int y) { return mix(glass(x, y), rgb(0xFFFFFF), 2, 5); });
}

void drawPointer(Canvas& canvas) {
    Region arrow = unite(roundedRect(3, 11, 25, 17, 1.5), convexPolygon({{22, 4.5}, {33, 14}, {22, 23.5}}));
    paint(canvas, arrow, [](int, int y) { return ramp(rgb(0x5AA6F5), rgb(0x1559C2), 5, 23, y); });
}

}  // namespace

ArtFile drawComputer() {
    Canvas canvas(kWidth, kHeight, kDialogFace);
    drawPointer(canvas);
    drawLaptop(canvas);
    return {"computer.bmp", encodeBmp(packTrueColour(canvas))};
}

}  // namespace pivora::art
