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

// arrow_{dim,lit,pending}_{1..4}.bmp
std::vector<ArtFile> drawButtons();
// computer.bmp
ArtFile drawComputer();
// banner.bmp
ArtFile drawBanner();
// pivora.ico
ArtFile drawAppIcon();

}  // namespace pivora::art
