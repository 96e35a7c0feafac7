// The floor the Linux program's idle footprint is measured against: a bare
// GTK tray program doing only what any tray program of its kind must, linked
// with the libraries `pivora` links and calling into each once at start so
// that each is loaded and initialised as in the program (GTK and its
// display, the session bus, a udev context, libcups, an X connection of its
// own asked for XInput 2). Then a tray icon through libayatana-appindicator
// with its window hidden, or, where no panel shows such icons, the window
// shown at the size of Pivora's panel, as Pivora does; a 1 s and a 5 s timer
// whose handlers do nothing; and the main loop. Whatever the program costs
// beyond it is its own work. tools/measure-linux-idle-footprint.sh runs it
// beside the program.

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <cups/cups.h>
#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>
#include <libudev.h>

#include <memory>

#include "app/gtk/gtk_handles.h"
#include "app/gtk/gtk_menu.h"
#include "app/gtk/panel_layout.h"
#include "app/gtk/tray_host.h"
#include "platform/linux/gio_handles.h"

namespace {

using pivora::GObjectHandle;

constexpr guint kTickPeriodMs = 1000;
constexpr guint kSlowPeriodMs = 5000;
const char kTitle[] = "Pivora idle floor";

struct UdevRelease {
    void operator()(udev* context) const { udev_unref(context); }
};
struct DisplayRelease {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct WidgetRelease {
    void operator()(GtkWidget* widget) const { gtk_widget_destroy(widget); }
};
using WidgetHandle = std::unique_ptr<GtkWidget, WidgetRelease>;

gboolean doNothing(gpointer) { return G_SOURCE_CONTINUE; }

gboolean quitOnDelete(GtkWidget*, GdkEvent*, gpointer loop) {
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return TRUE;
}

// XInput 2 asked for on a connection of its own, as the double tap's watch
// does; null where the server has no XInput 2.
std::unique_ptr<Display, DisplayRelease> xinputConnection() {
    std::unique_ptr<Display, DisplayRelease> display(XOpenDisplay(nullptr));
    if (!display) return display;
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display.get(), &major, &minor) != Success) display.reset();
    return display;
}

}  // namespace

int main() {
    if (gtk_init_check(nullptr, nullptr) == FALSE) return 1;
    const GObjectHandle<GDBusConnection> session(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    const std::unique_ptr<udev, UdevRelease> devices(udev_new());
    // Reads the client configuration and the environment; asks no server.
    (void)cupsServer();
    const std::unique_ptr<Display, DisplayRelease> keys = xinputConnection();
    if (!session || !devices || !keys) return 1;

    const pivora::GMainLoopHandle loop(g_main_loop_new(nullptr, FALSE));
    const WidgetHandle window(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_title(pivora::asWindow(window.get()), kTitle);
    gtk_window_set_resizable(pivora::asWindow(window.get()), FALSE);
    gtk_widget_set_size_request(window.get(), pivora::pixelsAcross(pivora::kPanelWidth),
                                pivora::pixelsDown(pivora::kPanelHeight));
    pivora::connectSignal(window.get(), "delete-event", &quitOnDelete, loop.get());

    pivora::GtkMenuHandle menu;  // after the indicator has let it go
    GObjectHandle<AppIndicator> indicator;
    if (pivora::trayHostPresent(session.get())) {
        indicator.reset(app_indicator_new("pivora-idle-floor", "pivora", APP_INDICATOR_CATEGORY_APPLICATION_STATUS));
        // A panel shows an indicator only with a menu.
        menu.reset(static_cast<GtkWidget*>(g_object_ref_sink(gtk_menu_new())));
        app_indicator_set_menu(indicator.get(), reinterpret_cast<GtkMenu*>(menu.get()));
        app_indicator_set_status(indicator.get(), APP_INDICATOR_STATUS_ACTIVE);
    } else {
        // No panel would show the icon: the window stands in for it.
        gtk_window_present(pivora::asWindow(window.get()));
    }

    const guint tick = g_timeout_add(kTickPeriodMs, doNothing, nullptr);
    const guint slow = g_timeout_add(kSlowPeriodMs, doNothing, nullptr);
    g_main_loop_run(loop.get());
    g_source_remove(slow);
    g_source_remove(tick);
    return 0;
}
