#pragma once

#include <array>

#include "ui/resource_ids.h"

namespace pivora {

// The panel laid out as the Windows dialog template (src/ui/pivora.rc) lays
// it out, in its dialog units, so both windows keep the same proportions.
struct DialogRect {
    int id;  // the control's id in ui/resource_ids.h
    int x;
    int y;
    int width;
    int height;
};

// A dialog unit in pixels at 100 %: the template's font makes a horizontal
// unit 7/4 of a pixel and a vertical one 13/8.
constexpr int pixelsAcross(int units) { return (units * 7 + 2) / 4; }
constexpr int pixelsDown(int units) { return (units * 13 + 4) / 8; }

// The template leaves these without an id; the menu button is this window's
// own.
constexpr int kStatusGroup = 2001;
constexpr int kSoftwareCaption = 2002;
constexpr int kFirmwareCaption = 2003;
constexpr int kHostCaption = 2004;
constexpr int kTypeCaption = 2005;
constexpr int kMenuButton = 2006;

constexpr int kPanelWidth = 297;
constexpr int kPanelHeight = 181;

// Every control the panel draws, bottom first: a frame lies under its row.
constexpr std::array<DialogRect, 32> kPanelControls = {{
    {IDC_BANNER_PICTURE, 7, 7, 283, 33},
    {IDC_THIS_COMPUTER_PICTURE, 48, 52, 53, 19},
    {IDC_OTHER_COMPUTER_PICTURE, 216, 52, 53, 19},
    {IDC_FRAME_ROW1, 113, 48, 91, 23},
    {IDC_FRAME_ROW2, 113, 66, 91, 23},
    {IDC_FRAME_ROW3, 113, 84, 91, 23},
    {IDC_FRAME_ROW4, 113, 102, 91, 23},
    {IDC_FRAME_ROW5, 113, 120, 91, 23},
    {IDC_NAME_ROW1, 117, 57, 84, 12},
    {IDC_NAME_ROW2, 117, 75, 84, 12},
    {IDC_NAME_ROW3, 117, 93, 84, 12},
    {IDC_NAME_ROW4, 117, 111, 84, 12},
    {IDC_NAME_ROW5, 117, 129, 84, 12},
    // Row 4's buttons as tall as the others: the template's double height is
    // fitted on Windows too.
    {IDC_CLAIM_ROW1, 102, 52, 10, 18},
    {IDC_CLAIM_ROW2, 102, 70, 10, 18},
    {IDC_CLAIM_ROW3, 102, 88, 10, 18},
    {IDC_CLAIM_ROW4, 102, 106, 10, 18},
    {IDC_RELEASE_ROW1, 205, 52, 10, 18},
    {IDC_RELEASE_ROW2, 205, 70, 10, 18},
    {IDC_RELEASE_ROW3, 205, 88, 10, 18},
    {IDC_RELEASE_ROW4, 205, 106, 10, 18},
    {kStatusGroup, 20, 75, 66, 72},
    {kSoftwareCaption, 28, 88, 14, 8},
    {kFirmwareCaption, 28, 102, 14, 8},
    {kHostCaption, 24, 116, 17, 8},
    {kTypeCaption, 22, 130, 19, 8},
    {IDC_SOFTWARE_VERSION, 44, 88, 36, 12},
    {IDC_FIRMWARE_VERSION, 44, 102, 36, 12},
    {IDC_HOST, 44, 116, 36, 12},
    {IDC_SWITCH_TYPE, 44, 130, 36, 12},
    {IDC_OK, 128, 153, 50, 14},
    {kMenuButton, 276, 7, 14, 14},
}};

}  // namespace pivora
