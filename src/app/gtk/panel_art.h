#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>

#include "app/gtk/gtk_handles.h"
#include "control/panel_state.h"

namespace pivora {

// The panel's bitmaps (src/ui/art, built into the program as a resource),
// drawn for a window's scale factor: the 100 % art at scale 1, the 200 % art
// at 2 and above, given to cairo at that scale so that it is drawn pixel for
// pixel. Each is decoded once per scale and kept.
class PanelArt {
public:
    // The art drawn for `scale`: "computer" at 1, "computer@200" at 2.
    static std::string fileOf(const std::string& art, int scale);
    // The art of an arrow: "arrow_lit_2" for a lit arrow of the user's port 2.
    static std::string arrowArt(ArrowImage image, int port);

    // Shows `art` drawn for the scale of `image`'s window in `image`, and
    // names the image after the file shown, so that what it shows can be read.
    void show(GtkWidget* image, const std::string& art);

private:
    cairo_surface_t* surface(const std::string& file, int scale);

    std::map<std::string, CairoSurfaceHandle> surfaces_;
};

}  // namespace pivora
