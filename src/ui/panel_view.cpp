#include "ui/panel_view.h"

#include <utility>

#include "ui/port_rows.h"
#include "ui/port_summary.h"

namespace pivora {

namespace {
constexpr std::array<int, 5> kNameBoxes = {IDC_NAME_ROW1, IDC_NAME_ROW2, IDC_NAME_ROW3, IDC_NAME_ROW4, IDC_NAME_ROW5};
constexpr std::array<int, 5> kFrames = {IDC_FRAME_ROW1, IDC_FRAME_ROW2, IDC_FRAME_ROW3, IDC_FRAME_ROW4,
                                        IDC_FRAME_ROW5};

ButtonImages::Style styleOf(ArrowImage image) {
    switch (image) {
        case ArrowImage::Lit:
            return ButtonImages::Lit;
        case ArrowImage::Pending:
            return ButtonImages::Pending;
        default:
            return ButtonImages::Dim;
    }
}

// What a screen reader says of an arrow button: the port's number, the
// digit on the arrow, and what its image shows.
std::string arrowName(bool claims, ArrowImage image, int port) {
    const char* state = "pending";
    if (image == ArrowImage::Lit) state = claims ? "on this computer" : "on the other computer";
    if (image == ArrowImage::Dim) state = claims ? "move here" : "move to the other computer";
    return "Port " + std::to_string(userNumberOf(port)) + ", " + state;
}

// Calls `apply` for each control whose value differs from `before`, or for
// every one when `all`.
template <typename Value, typename Apply>
void changed(const std::map<int, Value>& now, const std::map<int, Value>& before, bool all, Apply apply) {
    for (const auto& entry : now) {
        const auto old = before.find(entry.first);
        if (all || old == before.end() || old->second != entry.second) apply(entry.first, entry.second);
    }
}
}  // namespace

bool PanelView::arrowOf(int controlId, bool& claims, int& port) {
    for (std::size_t row = 0; row < kPortRows.size(); ++row) {
        const PortRow& controls = kPortRows.at(row);
        if (controlId != controls.claimButton && controlId != controls.releaseButton) continue;
        claims = controlId == controls.claimButton;
        port = static_cast<int>(row);
        return true;
    }
    return false;
}

PanelView::Look PanelView::lookOf(const PanelState& panel) {
    Look look;
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
            look.images[button] = ArrowLook{styleOf(image), static_cast<int>(port)};
            look.texts[button] = arrowName(claims, image, static_cast<int>(port));
        }
    }
    return look;
}

void PanelView::render(OsHandle window, const PanelState& panel) {
    Look look = lookOf(panel);
    const bool all = !drawn_;
    changed(look.texts, last_.texts, all, [&](int id, const std::string& text) {
        windows_.setControlText(window, id, text.c_str());
    });
    changed(look.images, last_.images, all, [&](int id, const ArrowLook& arrow) {
        windows_.setButtonImage(window, id, images_.image(arrow.style, arrow.port));
    });
    changed(look.shown, last_.shown, all,
            [&](int id, bool shown) { windows_.showControl(window, id, shown ? win::kSwShow : win::kSwHide); });
    // What a hidden button showed and was named is what it still is.
    look.images.insert(last_.images.begin(), last_.images.end());
    look.texts.insert(last_.texts.begin(), last_.texts.end());
    last_ = std::move(look);
    drawn_ = true;
}

void PanelView::redrawImages(OsHandle window) {
    for (const auto& [id, arrow] : last_.images) windows_.setButtonImage(window, id, images_.image(arrow.style, arrow.port));
}

}  // namespace pivora
