#include "panel_stand_in.h"

#include <utility>

namespace pivora::test {

namespace {

ShownItem readItem(GVariant* layout) {
    ShownItem item;
    GVariant* properties = nullptr;
    GVariant* children = nullptr;
    g_variant_get(layout, "(i@a{sv}@av)", &item.id, &properties, &children);
    const GVariantHandle heldProperties(properties);
    const GVariantHandle heldChildren(children);
    const gchar* text = nullptr;
    item.type = g_variant_lookup(properties, "type", "&s", &text) ? text : "standard";
    if (g_variant_lookup(properties, "label", "&s", &text)) item.label = text;
    if (g_variant_lookup(properties, "toggle-type", "&s", &text)) item.toggle = text;
    gboolean enabled = TRUE;
    g_variant_lookup(properties, "enabled", "b", &enabled);
    item.enabled = enabled != FALSE;
    g_variant_lookup(properties, "toggle-state", "i", &item.state);
    for (gsize i = 0; i < g_variant_n_children(children); ++i) {
        const GVariantHandle boxed(g_variant_get_child_value(children, i));
        const GVariantHandle child(g_variant_get_variant(boxed.get()));
        item.children.push_back(readItem(child.get()));
    }
    return item;
}

// The indicator answers from this thread's main context, so the panel's
// calls are asynchronous and the context turns while they are out.
GVariantHandle askIndicator(GDBusConnection* panel, const std::string& name, const std::string& path,
                            const char* interface, const char* method, GVariant* parameters, const char* replyType) {
    struct Answer {
        bool done = false;
        GVariantHandle reply;
        std::string error;
    } answer;
    g_dbus_connection_call(
        panel, name.c_str(), path.c_str(), interface, method, parameters, G_VARIANT_TYPE(replyType),
        G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* out = static_cast<Answer*>(data);
            GError* error = nullptr;
            out->reply.reset(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
            const GErrorHandle failure(error);
            if (failure) out->error = failure->message;
            out->done = true;
        },
        &answer);
    // The call's own timeout is well inside the spin's: the callback always comes.
    EXPECT_TRUE(spinUntil(nullptr, [&] { return answer.done; }));
    EXPECT_TRUE(answer.reply) << method << ": " << answer.error;
    return std::move(answer.reply);
}

}  // namespace

const ShownItem* findLabel(const std::vector<ShownItem>& items, const std::string& label) {
    for (const ShownItem& item : items)
        if (item.label == label) return &item;
    return nullptr;
}

PanelStandIn::PanelStandIn()
    : watcher_(traySession(), "org.kde.StatusNotifierWatcher", {"-t", watcherTemplate()}),
      panel_(traySession().connect()) {}

bool PanelStandIn::itemRegistered() {
    if (!spinUntil(nullptr, [this] { return !watcher_.controlStrings("/StatusNotifierWatcher", "Items").empty(); }))
        return false;
    const std::string registered = watcher_.controlStrings("/StatusNotifierWatcher", "Items").front();
    itemName_ = registered.substr(0, registered.find(' '));
    itemPath_ = registered.substr(registered.find(' ') + 1);
    return true;
}

GVariantHandle PanelStandIn::itemProperty(const char* property) {
    const GVariantHandle reply =
        askIndicator(panel_.get(), itemName_, itemPath_, "org.freedesktop.DBus.Properties", "Get",
                     g_variant_new("(ss)", "org.kde.StatusNotifierItem", property), "(v)");
    if (!reply) return nullptr;
    const GVariantHandle boxed(g_variant_get_child_value(reply.get(), 0));
    return GVariantHandle(g_variant_get_variant(boxed.get()));
}

std::string PanelStandIn::itemString(const char* property) {
    const GVariantHandle value = itemProperty(property);
    return value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING) ? g_variant_get_string(value.get(), nullptr)
                                                                             : "";
}

std::string PanelStandIn::menuPath() {
    const GVariantHandle value = itemProperty("Menu");
    return value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_OBJECT_PATH)
               ? g_variant_get_string(value.get(), nullptr)
               : "";
}

std::vector<ShownItem> PanelStandIn::shownMenu() {
    const GVariantHandle layout =
        askIndicator(panel_.get(), itemName_, menuPath(), "com.canonical.dbusmenu", "GetLayout",
                     g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)), "(u(ia{sv}av))");
    if (!layout) return {};
    const GVariantHandle root(g_variant_get_child_value(layout.get(), 1));
    return readItem(root.get()).children;
}

void PanelStandIn::click(int id) {
    askIndicator(panel_.get(), itemName_, menuPath(), "com.canonical.dbusmenu", "Event",
                 g_variant_new("(isvu)", id, "clicked", g_variant_new_int32(0), 0u), "()");
}

}  // namespace pivora::test
