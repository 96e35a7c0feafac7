#include "bmp_writer.h"
#include "digits.h"
#include "pictures.h"

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

Canvas drawButton(const ButtonStyle& style, int digit) {
    Canvas canvas(kWidth, kHeight, style.face);
    Rgb edge = edgeOf(style.face);
    canvas.frameRect(0, 0, kWidth, kHeight, edge);
    // Soften the corners into the dialog so the button reads as rounded.
    Rgb corner = mix(edge, kDialogFace, 1, 2);
    canvas.set(0, 0, corner);
    canvas.set(kWidth - 1, 0, corner);
    canvas.set(0, kHeight - 1, corner);
    canvas.set(kWidth - 1, kHeight - 1, corner);
    drawDigit(canvas, digit, (kWidth - kDigitWidth) / 2, (kHeight - kDigitHeight) / 2, style.ink);
    return canvas;
}

}  // namespace

std::vector<ArtFile> drawButtons() {
    const ButtonStyle styles[] = {
        {"dim", rgb(0xFFFFFF), rgb(0xFF9600)},
        {"lit", rgb(0xF69A15), rgb(0x000000)},
        {"pending", rgb(0xFAADAD), rgb(0x000000)},
    };
    std::vector<ArtFile> files;
    for (const ButtonStyle& style : styles)
        for (int digit = 1; digit <= 4; ++digit)
            files.push_back({std::string("arrow_") + style.name + "_" + std::to_string(digit) + ".bmp",
                             encodeBmp(packTrueColour(drawButton(style, digit)))});
    return files;
}

}  // namespace pivora::art
