#include "bmp_writer.h"
#include "digits.h"
#include "pictures.h"
#include "scale.h"

namespace pivora::art {

namespace {

constexpr int kWidth = 13;
constexpr int kHeight = 26;

struct ButtonStyle {
    const char* name;
    Rgb face;
    Rgb ink;
};

// Darker by a fixed fraction: enough to outline the face without drawing attention.
Rgb edgeOf(Rgb face) { return mix(face, rgb(0x000000), 1, 5); }

// Softens each corner into the dialog so the button reads as rounded: the
// corner pixel itself at 100 %; with the 2-pixel edge of 200 %, the corner
// further and its two neighbours along the edges a little.
void roundCorners(Canvas& canvas, Rgb edge, int edgeWidth) {
    struct Corner {
        int x;
        int y;
        int inwardX;
        int inwardY;
    };
    const int right = canvas.width() - 1;
    const int bottom = canvas.height() - 1;
    const Corner corners[] = {{0, 0, 1, 1}, {right, 0, -1, 1}, {0, bottom, 1, -1}, {right, bottom, -1, -1}};
    const Rgb corner = edgeWidth == 1 ? mix(edge, kDialogFace, 1, 2) : mix(edge, kDialogFace, 3, 4);
    const Rgb beside = mix(edge, kDialogFace, 1, 4);
    for (const Corner& at : corners) {
        canvas.set(at.x, at.y, corner);
        if (edgeWidth == 1) continue;
        canvas.set(at.x + at.inwardX, at.y, beside);
        canvas.set(at.x, at.y + at.inwardY, beside);
    }
}

Canvas drawButton(const ButtonStyle& style, int digit, int percent) {
    const int width = scaled(kWidth, percent);
    const int height = scaled(kHeight, percent);
    // One pixel is still a crisp outline at 150 %; 200 % doubles it.
    const int edgeWidth = percent >= 200 ? 2 : 1;
    Canvas canvas(width, height, style.face);
    const Rgb edge = edgeOf(style.face);
    for (int inset = 0; inset < edgeWidth; ++inset)
        canvas.frameRect(inset, inset, width - 2 * inset, height - 2 * inset, edge);
    roundCorners(canvas, edge, edgeWidth);
    const DigitSize digitCells = digitSize(percent);
    drawDigit(canvas, digit, percent, (width - digitCells.width) / 2, (height - digitCells.height) / 2, style.ink);
    return canvas;
}

}  // namespace

std::vector<ArtFile> drawButtons(int percent) {
    const ButtonStyle styles[] = {
        {"dim", rgb(0xFFFFFF), rgb(0xFF9600)},
        {"lit", rgb(0xF69A15), rgb(0x000000)},
        {"pending", rgb(0xFAADAD), rgb(0x000000)},
    };
    std::vector<ArtFile> files;
    for (const ButtonStyle& style : styles)
        for (int digit = 1; digit <= 4; ++digit)
            files.push_back({scaledName(std::string("arrow_") + style.name + "_" + std::to_string(digit), percent),
                             encodeBmp(packTrueColour(drawButton(style, digit, percent)))});
    return files;
}

}  // namespace pivora::art
