#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

namespace pivora::art {

struct ArtFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// The face of a standard dialog on current Windows; pictures shown on a dialog
// fade their edges into it.
constexpr Rgb kDialogFace = rgb(0xF0F0F0);

// Each at `percent`, one of kScales, named as scaledName() says.
// arrow_{dim,lit,pending}_{1..4}
std::vector<ArtFile> drawButtons(int percent);
// computer
ArtFile drawComputer(int percent);
// banner
ArtFile drawBanner(int percent);
// pivora.ico, with the icon sizes of every scale.
ArtFile drawAppIcon();
// The same icon for Linux desktops' icon theme, one pivora_<size>px.png per
// size, each installed as hicolor/<size>x<size>/apps/pivora.png.
inline constexpr int kDesktopIconSizes[] = {16, 24, 32, 48, 64, 128};
std::vector<ArtFile> drawAppIconPngs();

}  // namespace pivora::art
