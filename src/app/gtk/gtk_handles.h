#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "platform/linux/gio_handles.h"

namespace pivora {

struct CairoSurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using CairoSurfaceHandle = std::unique_ptr<cairo_surface_t, CairoSurfaceRelease>;

// g_signal_connect without its C cast: `handler` is the signal's own
// signature, `data` what it is handed last.
template <typename Handler>
gulong connectSignal(gpointer instance, const char* signal, Handler* handler, gpointer data) {
    return g_signal_connect_data(instance, signal, reinterpret_cast<GCallback>(handler), data, nullptr,
                                 static_cast<GConnectFlags>(0));
}

// A widget as the GTK type one of its calls wants. GTK's own cast macros
// are C casts with a run-time check; these are the same pointer.
inline GtkWindow* asWindow(GtkWidget* widget) { return reinterpret_cast<GtkWindow*>(widget); }
inline GtkContainer* asContainer(GtkWidget* widget) { return reinterpret_cast<GtkContainer*>(widget); }
inline GtkLabel* asLabel(GtkWidget* widget) { return reinterpret_cast<GtkLabel*>(widget); }
inline GtkImage* asImage(GtkWidget* widget) { return reinterpret_cast<GtkImage*>(widget); }
inline GtkFixed* asFixed(GtkWidget* widget) { return reinterpret_cast<GtkFixed*>(widget); }
inline GtkButton* asButton(GtkWidget* widget) { return reinterpret_cast<GtkButton*>(widget); }

}  // namespace pivora
