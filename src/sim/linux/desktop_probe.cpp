#include "sim/linux/desktop_probe.h"

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

#include "ui/resource_ids.h"
#include "ui/tray_menu_items.h"

namespace pivora::sim {

namespace {

constexpr const char* kPath = "/org/pivora/Probe";
constexpr const char* kIntrospection =
    "<node>"
    "  <interface name='org.pivora.Probe'>"
    "    <method name='Ask'>"
    "      <arg type='s' name='command' direction='in'/>"
    "      <arg type='s' name='answer' direction='out'/>"
    "    </method>"
    "  </interface>"
    "</node>";
// Rows 1 to 4 stand for ports 3 to 0; their controls follow in that order.
constexpr std::array<int, 4> kRowPorts = {3, 2, 1, 0};

struct NodeInfoRelease {
    void operator()(GDBusNodeInfo* info) const { g_dbus_node_info_unref(info); }
};

std::string faceOf(const PanelLook& look, int id) {
    const auto arrow = look.images.find(id);
    if (arrow == look.images.end()) return "none";
    switch (arrow->second.image) {
        case ArrowImage::Lit:
            return "lit";
        case ArrowImage::Dim:
            return "dim";
        case ArrowImage::Pending:
            return "pending";
        case ArrowImage::Hidden:
        default:
            return "none";
    }
}

std::string labelText(GtkWidget* label) {
    return label != nullptr && GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "";
}

std::string accessibleName(GtkWidget* widget) {
    const char* name = widget != nullptr ? atk_object_get_name(gtk_widget_get_accessible(widget)) : nullptr;
    return name != nullptr ? name : "";
}

bool visible(GtkWidget* widget) { return widget != nullptr && gtk_widget_get_visible(widget) != FALSE; }

}  // namespace

DesktopProbe::DesktopProbe(DesktopShell& shell, GDBusConnection* session) : shell_(shell), session_(session) {
    static const GDBusInterfaceVTable vtable = {onCall, nullptr, nullptr, {}};
    const std::unique_ptr<GDBusNodeInfo, NodeInfoRelease> node(g_dbus_node_info_new_for_xml(kIntrospection, nullptr));
    if (node && session_ != nullptr)
        registration_ =
            g_dbus_connection_register_object(session_, kPath, node->interfaces[0], &vtable, this, nullptr, nullptr);
    for (int row = 0; row < 4; ++row) {
        for (const int id : {IDC_CLAIM_ROW1 + row, IDC_RELEASE_ROW1 + row}) {
            ArrowClick& arrow = arrows_.at(static_cast<std::size_t>(id - IDC_CLAIM_ROW1));
            arrow = ArrowClick{this, id};
            g_signal_connect(shell_.window().control(id), "clicked", G_CALLBACK(onArrowClicked), &arrow);
        }
    }
}

DesktopProbe::~DesktopProbe() {
    if (registration_ != 0) g_dbus_connection_unregister_object(session_, registration_);
    for (ArrowClick& arrow : arrows_)
        if (GtkWidget* button = shell_.window().control(arrow.id))
            g_signal_handlers_disconnect_by_data(button, &arrow);
}

void DesktopProbe::onArrowClicked(GtkButton* /*button*/, gpointer click) {
    const ArrowClick& arrow = *static_cast<ArrowClick*>(click);
    ++arrow.probe->clicks_;
    arrow.probe->clickedId_ = arrow.id;
}

void DesktopProbe::onCall(GDBusConnection* /*connection*/, const gchar* /*sender*/, const gchar* /*path*/,
                          const gchar* /*interface*/, const gchar* /*method*/, GVariant* parameters,
                          GDBusMethodInvocation* invocation, gpointer self) {
    const gchar* command = nullptr;
    g_variant_get(parameters, "(&s)", &command);
    const std::string answered = static_cast<DesktopProbe*>(self)->answer(command);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", answered.c_str()));
}

std::string DesktopProbe::answer(const std::string& command) {
    std::istringstream words(command);
    std::string verb;
    words >> verb;
    GtkWindow* window = shell_.window().window();
    if (verb == "attach") return "ok";
    if (verb == "panel") return "ok " + panel();
    if (verb == "show") {
        int x = 0;
        int y = 0;
        if (!(words >> x >> y)) return "error show <x> <y>";
        shell_.window().present();
        gtk_window_move(window, x, y);
        return "ok";
    }
    if (verb == "where") {
        int id = 0;
        return words >> id ? where(id) : "error where <id>";
    }
    if (verb == "focus") {
        // No window manager on the run's display: the window takes the
        // keyboard itself, as a window manager would give it on a click.
        gtk_window_present_with_time(window, GDK_CURRENT_TIME);
        return "ok";
    }
    if (verb == "foreground") return gtk_window_is_active(window) != FALSE ? "ok 1" : "ok 0";
    if (verb == "clicks") return "ok " + std::to_string(clicks_);
    if (verb == "pending") {
        int id = 0;
        int before = 0;
        return words >> id >> before ? pending(id, before) : "error pending <id> <clicks before>";
    }
    if (verb == "dismiss") {
        GtkWindow* notice = shell_.busyNotice().window();
        if (!visible(GTK_WIDGET(notice))) return "error no busy notice";
        gtk_window_activate_default(notice);
        return "ok";
    }
    if (verb == "close") {
        shell_.choose(tray::Exit);
        return "ok";
    }
    return "error unknown command: " + command;
}

std::string DesktopProbe::panel() {
    PanelWindow& window = shell_.window();
    const bool notice = visible(GTK_WIDGET(shell_.busyNotice().window()));
    std::string line = labelText(window.control(IDC_FIRMWARE_VERSION)) + "\t" + labelText(window.control(IDC_HOST)) +
                       "\t" + labelText(window.control(IDC_SWITCH_TYPE)) + "\t" + (notice ? "1" : "0");
    for (int row = 0; row < 4; ++row) {
        GtkWidget* claim = window.control(IDC_CLAIM_ROW1 + row);
        GtkWidget* release = window.control(IDC_RELEASE_ROW1 + row);
        if (!visible(claim)) continue;
        line += "\t" + std::to_string(kRowPorts.at(static_cast<std::size_t>(row))) + ":" + faceOf(window.look(), IDC_CLAIM_ROW1 + row) + ":" +
                faceOf(window.look(), IDC_RELEASE_ROW1 + row) + ":" + accessibleName(claim) + ":" +
                accessibleName(release) + ":" + labelText(window.control(IDC_NAME_ROW1 + row));
    }
    return line;
}

std::string DesktopProbe::where(int id) {
    GtkWidget* control = shell_.window().control(id);
    GtkWidget* top = GTK_WIDGET(shell_.window().window());
    GdkWindow* shown = gtk_widget_get_window(top);
    if (control == nullptr || shown == nullptr || !gtk_widget_get_mapped(control))
        return "error no control " + std::to_string(id) + " shown";
    int x = 0;
    int y = 0;
    int originX = 0;
    int originY = 0;
    if (!gtk_widget_translate_coordinates(control, top, gtk_widget_get_allocated_width(control) / 2,
                                          gtk_widget_get_allocated_height(control) / 2, &x, &y))
        return "error control " + std::to_string(id) + " is not in the window";
    gdk_window_get_origin(shown, &originX, &originY);
    return "ok " + std::to_string(originX + x) + " " + std::to_string(originY + y);
}

std::string DesktopProbe::pending(int id, int clicksBefore) {
    if (clicks_ <= clicksBefore || clickedId_ != id) return "error no click on " + std::to_string(id) + " yet";
    if (faceOf(shell_.window().look(), id) != "pending") return "error not pending yet";
    return "ok";
}

}  // namespace pivora::sim
