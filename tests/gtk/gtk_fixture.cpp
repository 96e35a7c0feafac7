#include "gtk_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "app/gtk/gtk_handles.h"

namespace pivora::test {

bool runUntil(const std::function<bool()>& done, int ms) {
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(ms) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() >= deadline) return false;
        if (gtk_events_pending() != FALSE)
            gtk_main_iteration_do(FALSE);
        else
            g_usleep(2000);
    }
    return true;
}

void settle() { runUntil([] { return gtk_events_pending() == FALSE; }); }

void showAndDraw(GtkWindow* window) {
    gtk_window_present(window);
    auto* widget = reinterpret_cast<GtkWidget*>(window);
    ASSERT_TRUE(runUntil([widget] { return gtk_widget_get_mapped(widget) != FALSE; }));
    // A frame or two for the first paint to reach the server.
    gtk_widget_queue_draw(widget);
    const gint64 until = g_get_monotonic_time() + 150000;
    runUntil([until] { return g_get_monotonic_time() >= until; });
    settle();
}

void saveScreenshot(GtkWindow* window, const std::string& name) {
    GdkWindow* drawn = gtk_widget_get_window(reinterpret_cast<GtkWidget*>(window));
    ASSERT_NE(drawn, nullptr);
    const GObjectHandle<GdkPixbuf> shot{
        gdk_pixbuf_get_from_window(drawn, 0, 0, gdk_window_get_width(drawn), gdk_window_get_height(drawn))};
    ASSERT_TRUE(shot);
    g_mkdir_with_parents(PIVORA_SCREENSHOTS, 0755);
    const std::string path = std::string(PIVORA_SCREENSHOTS) + "/" + name + ".png";
    GError* failure = nullptr;
    EXPECT_TRUE(gdk_pixbuf_save(shot.get(), path.c_str(), "png", &failure, nullptr)) << path;
    const GErrorHandle error{failure};
}

namespace {
void collect(GtkWidget* widget, gpointer into) {
    auto& widgets = *static_cast<std::vector<GtkWidget*>*>(into);
    widgets.push_back(widget);
    if (GTK_IS_CONTAINER(widget) != FALSE)
        gtk_container_forall(reinterpret_cast<GtkContainer*>(widget), &collect, into);
}
}  // namespace

std::vector<GtkWidget*> widgetsUnder(GtkWidget* widget) {
    std::vector<GtkWidget*> widgets;
    collect(widget, &widgets);
    return widgets;
}

std::vector<GtkWidget*> shownInReadingOrder(GtkWidget* top, GType type) {
    std::vector<std::tuple<int, int, GtkWidget*>> found;
    for (GtkWidget* widget : widgetsUnder(top)) {
        if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type) == FALSE || gtk_widget_get_visible(widget) == FALSE) continue;
        int x = 0;
        int y = 0;
        gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
        found.emplace_back(y, x, widget);
    }
    std::sort(found.begin(), found.end());
    std::vector<GtkWidget*> widgets;
    for (const auto& entry : found) widgets.push_back(std::get<2>(entry));
    return widgets;
}

std::string accessibleName(GtkWidget* widget) {
    const char* name = atk_object_get_name(gtk_widget_get_accessible(widget));
    return name != nullptr ? name : "";
}

GtkWidget* widgetNamed(GtkWidget* top, const std::string& name) {
    for (GtkWidget* widget : widgetsUnder(top))
        if (GTK_IS_BUTTON(widget) != FALSE && accessibleName(widget) == name) return widget;
    return nullptr;
}

namespace {
GtkApplication* theApplication = nullptr;
}  // namespace

GtkApplication* application() { return theApplication; }
void useApplication(GtkApplication* application) { theApplication = application; }

}  // namespace pivora::test
