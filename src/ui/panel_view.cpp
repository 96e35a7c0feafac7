#include "ui/panel_view.h"

#include <utility>

#include "ui/port_rows.h"

namespace pivora {

namespace {
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

void PanelView::render(OsHandle window, const PanelState& panel) {
    PanelLook look = panelLookOf(panel);
    const bool all = !drawn_;
    forEachChanged(look.texts, last_.texts, all, [&](int id, const std::string& text) {
        windows_.setControlText(window, id, text.c_str());
    });
    forEachChanged(look.images, last_.images, all, [&](int id, const ArrowLook& arrow) {
        windows_.setButtonImage(window, id, images_.image(styleOf(arrow.image), arrow.port));
    });
    forEachChanged(look.shown, last_.shown, all,
                   [&](int id, bool shown) { windows_.showControl(window, id, shown ? win::kSwShow : win::kSwHide); });
    look.keepHiddenFrom(last_);
    last_ = std::move(look);
    drawn_ = true;
}

void PanelView::redrawImages(OsHandle window) {
    for (const auto& [id, arrow] : last_.images)
        windows_.setButtonImage(window, id, images_.image(styleOf(arrow.image), arrow.port));
}

}  // namespace pivora
