#include "ico_writer.h"
#include "palette.h"
#include "pictures.h"
#include "shapes.h"

namespace pivora::art {

namespace {

// Colours for one depth of the icon.
struct IconScheme {
    Rgb rim;
    Rgb top;
    Rgb bottom;
    Rgb arrow;
    Edges edges;
};

// Full colour: a gradient square with smooth edges.
const IconScheme kRichScheme{rgb(0x0E4BA8), rgb(0x3C8CEC), rgb(0x1A5CC6), rgb(0xFFFFFF), Edges::Smooth};
// Sixteen colours: the VGA colours nearest in hue. Plain distance would pick
// teal for our blue, so the choice is made here, not by arithmetic.
const IconScheme kVgaScheme{rgb(0x000080), rgb(0x0000FF), rgb(0x0000FF), rgb(0xFFFFFF), Edges::Hard};

struct Painted {
    Canvas canvas;
    std::vector<bool> transparent;
};

Painted paintIcon(int size, const IconScheme& scheme) {
    double s = size;
    double unit = s / 16;  // one pixel of the 16-pixel design
    // The larger sizes get a pixel of air, 64 two; at 16 every pixel is needed.
    double margin = size == 16 ? 0 : size < 64 ? 1 : 2;
    double radius = 3 * unit;

    Region outer = roundedRect(margin, margin, s - margin, s - margin, radius);
    Region inner = roundedRect(margin + 1, margin + 1, s - margin - 1, s - margin - 1, radius - 1);

    // Pixels kept by the mask show the rim colour even where the corner only
    // clips them: with a 1-bit mask there is nothing to blend with.
    Painted out{Canvas(size, size, scheme.rim), {}};
    int last = size - 1;
    paint(
        out.canvas, inner,
        [&](int, int y) { return ramp(scheme.top, scheme.bottom, static_cast<int>(margin), last, y); }, scheme.edges);

    double mid = s / 2;
    double half = unit;  // half the shaft's thickness
    // The length of a head and half its height: 45° sides. At 16 pixels the
    // heads are fitted to the grid, larger, so they still read as points.
    double head = size == 16 ? 4.5 : 3.5 * unit;
    double tip = size == 16 ? 1.5 : margin + 2 * unit;
    Region arrow = rect(tip + head - 0.5, mid - half, s - tip - head + 0.5, mid + half);
    arrow = unite(arrow, convexPolygon({{tip, mid}, {tip + head, mid - head}, {tip + head, mid + head}}));
    arrow = unite(arrow, convexPolygon({{s - tip, mid}, {s - tip - head, mid + head}, {s - tip - head, mid - head}}));
    // At 16 pixels a blended diagonal is a blur; there the staircase is the cleaner edge.
    paint(out.canvas, arrow, scheme.arrow, size == 16 ? Edges::Hard : scheme.edges);

    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            bool clear = coverage(outer, x, y) * 2 < kFullCoverage;
            out.transparent.push_back(clear);
            if (clear) out.canvas.set(x, y, Rgb{});
        }
    return out;
}

}  // namespace

ArtFile drawAppIcon() {
    std::vector<IconImage> images;
    // Small icons (title bar, tray) at 100, 125, 150 and 200 % are 16, 20,
    // 24 and 32 pixels; large ones (Alt+Tab, the taskbar) 32, 40, 48 and 64.
    for (int size : {16, 20, 24, 32, 40, 48, 64}) {
        Painted vga = paintIcon(size, kVgaScheme);
        images.push_back({packIndexed(toIndexed(vga.canvas, vgaPalette()), 4), vga.transparent});

        Painted rich = paintIcon(size, kRichScheme);
        std::vector<Rgb> opaque;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (!rich.transparent[static_cast<std::size_t>(y * size + x)]) opaque.push_back(rich.canvas.at(x, y));
        // Black first: it is what transparent pixels must hold.
        IndexedImage indexed = toIndexed(rich.canvas, choosePalette(opaque, {Rgb{}}, 256));
        images.push_back({packIndexed(indexed, 8), rich.transparent});
        images.push_back({packTrueColour(rich.canvas), rich.transparent});
    }
    return {"pivora.ico", encodeIco(images)};
}

}  // namespace pivora::art
