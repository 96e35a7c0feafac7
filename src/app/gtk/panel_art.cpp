#include "app/gtk/panel_art.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <mutex>
#include <utility>

#include "ui/port_summary.h"

// Made by glib-compile-resources from the art folder at build time.
void pivora_art_register_resource();

namespace pivora {

namespace {
constexpr const char* kResourceFolder = "/org/pivora/art/";

void registerArt() {
    static std::once_flag registered;
    std::call_once(registered, [] { pivora_art_register_resource(); });
}
}  // namespace

std::string PanelArt::fileOf(const std::string& art, int scale) { return scale >= 2 ? art + "@200" : art; }

std::string PanelArt::arrowArt(ArrowImage image, int port) {
    const char* look = "dim";
    if (image == ArrowImage::Lit) look = "lit";
    if (image == ArrowImage::Pending) look = "pending";
    return std::string("arrow_") + look + "_" + std::to_string(userNumberOf(port));
}

cairo_surface_t* PanelArt::surface(const std::string& file, int scale) {
    const auto known = surfaces_.find(file);
    if (known != surfaces_.end()) return known->second.get();
    registerArt();
    GError* failure = nullptr;
    const GObjectHandle<GdkPixbuf> pixbuf{
        gdk_pixbuf_new_from_resource((kResourceFolder + file + ".bmp").c_str(), &failure)};
    const GErrorHandle error{failure};
    // The art is built in: a bitmap that will not load is a broken build.
    if (!pixbuf) g_error("art %s: %s", file.c_str(), error ? error->message : "no image");
    // The 200 % art covers the same logical size as the 100 % art.
    CairoSurfaceHandle drawn{gdk_cairo_surface_create_from_pixbuf(pixbuf.get(), scale >= 2 ? 2 : 1, nullptr)};
    return surfaces_.emplace(file, std::move(drawn)).first->second.get();
}

void PanelArt::show(GtkWidget* image, const std::string& art) {
    const int scale = gtk_widget_get_scale_factor(image);
    const std::string file = fileOf(art, scale);
    gtk_image_set_from_surface(asImage(image), surface(file, scale));
    gtk_widget_set_name(image, file.c_str());
}

}  // namespace pivora
