#include "ui/panel_look.h"

#include <array>

#include "ui/port_rows.h"
#include "ui/port_summary.h"

namespace pivora {

namespace {
constexpr std::array<int, 5> kNameBoxes = {IDC_NAME_ROW1, IDC_NAME_ROW2, IDC_NAME_ROW3, IDC_NAME_ROW4, IDC_NAME_ROW5};
constexpr std::array<int, 5> kFrames = {IDC_FRAME_ROW1, IDC_FRAME_ROW2, IDC_FRAME_ROW3, IDC_FRAME_ROW4,
                                        IDC_FRAME_ROW5};
}  // namespace

std::string arrowName(bool claims, ArrowImage image, int port) {
    const char* state = "pending";
    if (image == ArrowImage::Lit) state = claims ? "on this computer" : "on the other computer";
    if (image == ArrowImage::Dim) state = claims ? "move here" : "move to the other computer";
    return "Port " + std::to_string(userNumberOf(port)) + ", " + state;
}

void PanelLook::keepHiddenFrom(const PanelLook& before) {
    images.insert(before.images.begin(), before.images.end());
    texts.insert(before.texts.begin(), before.texts.end());
}

PanelLook panelLookOf(const PanelState& panel) {
    PanelLook look;
    look.texts[IDC_FIRMWARE_VERSION] = panel.firmwareVersion;
    look.texts[IDC_HOST] = panel.host;
    look.texts[IDC_SWITCH_TYPE] = panel.switchType;
    // Rows and frames not named below stay hidden: row 5, and what a
    // switch model has no port for.
    for (int box : kNameBoxes) look.shown[box] = false;
    for (int frame : kFrames) look.shown[frame] = false;
    for (std::size_t port = 0; port < kPortRows.size(); ++port) {
        const PortRow& controls = kPortRows.at(port);
        const PortRowState& row = panel.ports.at(port);
        look.texts[controls.nameBox] = row.name;
        look.shown[controls.nameBox] = row.visible;
        const int frame = panel.layout == TwoPort ? controls.frameTwoPort : controls.frameFourPort;
        if (row.visible && frame != 0) look.shown[frame] = true;
        for (const bool claims : {true, false}) {
            const int button = claims ? controls.claimButton : controls.releaseButton;
            const ArrowImage image = claims ? row.claim : row.release;
            look.shown[button] = image != ArrowImage::Hidden;
            // A hidden button keeps the image and name it had: they are set
            // again when it shows.
            if (image == ArrowImage::Hidden) continue;
            look.images[button] = ArrowLook{image, static_cast<int>(port)};
            look.texts[button] = arrowName(claims, image, static_cast<int>(port));
        }
    }
    return look;
}

}  // namespace pivora
