#pragma once

#include <array>

#include "platform/window_api.h"

namespace pivora {

// The panel's three pictures, the two computers and the banner, at the
// window's scale. The template shows them at 100 %, loaded and owned by the
// picture controls; at any other scale they are replaced. A picture control
// that was given an image no longer deletes any: the image it gives back,
// its template's included, is deleted here at once, and those it shows when
// this object goes.
class PanelPictures {
public:
    explicit PanelPictures(WindowApi& windows) : windows_(windows) {}
    ~PanelPictures();
    PanelPictures(const PanelPictures&) = delete;
    PanelPictures& operator=(const PanelPictures&) = delete;

    // Shows the pictures drawn at `percent` (100, 125, 150 or 200) in
    // `window`'s picture controls; nothing when they show that scale already.
    void show(OsHandle window, int percent);

private:
    WindowApi& windows_;
    int percent_ = 100;  // the template's
    std::array<OsHandle, 3> shown_{};  // nullptr while the template's show
};

}  // namespace pivora
