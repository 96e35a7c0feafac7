#include <string>

#include "ico_writer.h"
#include "png_writer.h"
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
    std::vector<int> coverage;  // of the icon's outline, per pixel, 0 to kFullCoverage
};

// A 1-bit mask keeps the pixels at least half covered; the colour under the
// others must be black.
std::vector<bool> maskOut(Painted& painted) {
    std::vector<bool> transparent;
    const int size = painted.canvas.width();
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const bool clear = painted.coverage[static_cast<std::size_t>(y * size + x)] * 2 < kFullCoverage;
            transparent.push_back(clear);
            if (clear) painted.canvas.set(x, y, Rgb{});
        }
    return transparent;
}

Painted paintIcon(int size, const IconScheme& scheme) {
    double s = size;
    double unit = s / 16;  // one pixel of the 16-pixel design
    // The larger sizes get a pixel of air, 64 two; at 16 every pixel is needed.
    double margin = size == 16 ? 0 : size < 64 ? 1 : 2;
    double radius = 3 * unit;

    Region outer = roundedRect(margin, margin, s - margin, s - margin, radius);
    Region inner = roundedRect(margin + 1, margin + 1, s - margin - 1, s - margin - 1, radius - 1);

    // Pixels the corner only clips show the rim colour: a 1-bit mask keeps
    // them whole, an alpha channel fades them by their coverage.
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
        for (int x = 0; x < size; ++x) out.coverage.push_back(coverage(outer, x, y));
    return out;
}

}  // namespace

ArtFile drawAppIcon() {
    std::vector<IconImage> images;
    // Small icons (title bar, tray) at 100, 125, 150 and 200 % are 16, 20,
    // 24 and 32 pixels; large ones (Alt+Tab, the taskbar) 32, 40, 48 and 64.
    for (int size : {16, 20, 24, 32, 40, 48, 64}) {
        Painted vga = paintIcon(size, kVgaScheme);
        const std::vector<bool> vgaMask = maskOut(vga);
        images.push_back({packIndexed(toIndexed(vga.canvas, vgaPalette()), 4), vgaMask});

        Painted rich = paintIcon(size, kRichScheme);
        const std::vector<bool> richMask = maskOut(rich);
        std::vector<Rgb> opaque;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (!richMask[static_cast<std::size_t>(y * size + x)]) opaque.push_back(rich.canvas.at(x, y));
        // Black first: it is what transparent pixels must hold.
        IndexedImage indexed = toIndexed(rich.canvas, choosePalette(opaque, {Rgb{}}, 256));
        images.push_back({packIndexed(indexed, 8), richMask});
        images.push_back({packTrueColour(rich.canvas), richMask});
    }
    return {"pivora.ico", encodeIco(images)};
}

std::vector<ArtFile> drawAppIconPngs() {
    std::vector<ArtFile> files;
    // The sizes desktops ask the hicolor theme for: menus and panels up to
    // launchers and the software centre.
    for (int size : kDesktopIconSizes) {
        Painted rich = paintIcon(size, kRichScheme);
        std::vector<std::uint8_t> alpha;
        for (int covered : rich.coverage)
            alpha.push_back(static_cast<std::uint8_t>((covered * 255 + kFullCoverage / 2) / kFullCoverage));
        files.push_back({"pivora_" + std::to_string(size) + "px.png", encodePng(rich.canvas, alpha)});
    }
    return files;
}

}  // namespace pivora::art
