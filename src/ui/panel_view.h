#pragma once

#include "control/panel_state.h"
#include "platform/window_api.h"
#include "ui/button_images.h"
#include "ui/panel_look.h"

namespace pivora {

// Draws a PanelState into the main window's controls. Only what differs from
// the last state drawn is touched: a text set again would repaint and flicker,
// and under Wine every control call is a trip to the server. Each arrow
// button shown also gets a window text for screen readers, which follows its
// image (a bitmap button does not draw its text).
class PanelView {
public:
    PanelView(WindowApi& windows, const ButtonImages& images) : windows_(windows), images_(images) {}

    void render(OsHandle window, const PanelState& panel);
    // Sets every arrow button's image again, hidden ones too, from the images
    // as they are now: after they were loaded at another scale.
    void redrawImages(OsHandle window);

    // The port and direction of an arrow button; false for any other control.
    static bool arrowOf(int controlId, bool& claims, int& port);

private:
    WindowApi& windows_;
    const ButtonImages& images_;
    bool drawn_ = false;
    PanelLook last_;
};

}  // namespace pivora
