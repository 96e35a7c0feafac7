#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/gtk/tray_icon.h"
#include "dbus_mock.h"
#include "tray_session.h"

namespace pivora::test {
namespace {

// One dbusmenu item as a panel reads it from GetLayout.
struct ShownItem {
    int id = 0;
    std::string type;  // "standard" or "separator"
    std::string label;
    bool enabled = true;
    std::string toggle;  // "checkmark" for a check item
    int state = 0;       // 1: checked
    std::vector<ShownItem> children;
};

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

const ShownItem* findLabel(const std::vector<ShownItem>& items, const std::string& label) {
    for (const ShownItem& item : items)
        if (item.label == label) return &item;
    return nullptr;
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

// A panel's watcher on the session bus, and a TrayIcon over a switch with
// two ports: port 1 on the other computer, port 2 here.
class TrayIconOnAPanel : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(watcher.running());
        summary = {true, {{1, "Logitech Receiver", false, false}, {2, "SanDisk Cruzer", true, false}}};
        choices.doubleTapKeys = 0x2;  // ScrollLock's bit
        choices.notifications = true;
        icon = std::make_unique<TrayIcon>(
            [this] {
                return trayMenuItems(summary, choices, [](const std::string& s) { return std::u16string(s.begin(), s.end()); },
                                     kLinuxMenuWording);
            },
            [this](int command) { chosen.push_back(command); });
        ASSERT_TRUE(spinUntil(nullptr, [this] { return !watcher.controlStrings("/StatusNotifierWatcher", "Items").empty(); }));
        const std::string registered = watcher.controlStrings("/StatusNotifierWatcher", "Items").front();
        itemName = registered.substr(0, registered.find(' '));
        itemPath = registered.substr(registered.find(' ') + 1);
    }

    GVariantHandle itemProperty(const char* property) {
        const GVariantHandle reply = askIndicator(panel.get(), itemName, itemPath, "org.freedesktop.DBus.Properties",
                                                  "Get", g_variant_new("(ss)", "org.kde.StatusNotifierItem", property), "(v)");
        if (!reply) return nullptr;
        const GVariantHandle boxed(g_variant_get_child_value(reply.get(), 0));
        return GVariantHandle(g_variant_get_variant(boxed.get()));
    }

    std::string itemString(const char* property) {
        const GVariantHandle value = itemProperty(property);
        return value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_STRING) ? g_variant_get_string(value.get(), nullptr)
                                                                                 : "";
    }

    std::string menuPath() {
        const GVariantHandle value = itemProperty("Menu");
        return value && g_variant_is_of_type(value.get(), G_VARIANT_TYPE_OBJECT_PATH) ? g_variant_get_string(value.get(), nullptr)
                                                                                      : "";
    }

    // The menu as the panel shows it.
    std::vector<ShownItem> shownMenu() {
        const GVariantHandle layout =
            askIndicator(panel.get(), itemName, menuPath(), "com.canonical.dbusmenu", "GetLayout",
                         g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)), "(u(ia{sv}av))");
        if (!layout) return {};
        const GVariantHandle root(g_variant_get_child_value(layout.get(), 1));
        return readItem(root.get()).children;
    }

    void click(int id) {
        askIndicator(panel.get(), itemName, menuPath(), "com.canonical.dbusmenu", "Event",
                     g_variant_new("(isvu)", id, "clicked", g_variant_new_int32(0), 0u), "()");
    }

    DbusMock watcher{traySession(), "org.kde.StatusNotifierWatcher", {"-t", watcherTemplate()}};
    GObjectHandle<GDBusConnection> panel = traySession().connect();
    SwitchSummary summary;
    TrayMenuChoices choices;
    std::vector<int> chosen;
    std::unique_ptr<TrayIcon> icon;
    std::string itemName;
    std::string itemPath;
};

TEST_F(TrayIconOnAPanel, RegistersAsPivorasActiveApplicationStatusItem) {
    EXPECT_EQ(itemName.front(), ':');  // the indicator's own connection
    EXPECT_EQ(itemString("Id"), "pivora");
    EXPECT_EQ(itemString("Title"), "Pivora");
    EXPECT_EQ(itemString("Category"), "ApplicationStatus");
    EXPECT_EQ(itemString("Status"), "Active");
    EXPECT_EQ(itemString("IconName"), "pivora");
}

TEST_F(TrayIconOnAPanel, ThePanelShowsTheTrayMenu) {
    const std::vector<ShownItem> menu = shownMenu();
    std::vector<std::string> labels;
    for (const ShownItem& item : menu) labels.push_back(item.type == "separator" ? "-" : item.label);
    const std::vector<std::string> expected{"Port _1 \u00B7 Logitech Receiver \u00B7 on the other computer",
                                            "Port _2 \u00B7 SanDisk Cruzer \u00B7 here",
                                            "_Move all ports",
                                            "-",
                                            "_Start at login",
                                            "_Double tap moves all ports",
                                            "_Notifications",
                                            "-",
                                            "_Open",
                                            "_About",
                                            "-",
                                            "_Quit"};
    EXPECT_EQ(labels, expected);

    const ShownItem* notifications = findLabel(menu, "_Notifications");
    ASSERT_NE(notifications, nullptr);
    EXPECT_EQ(notifications->toggle, "checkmark");
    EXPECT_EQ(notifications->state, 1);
    const ShownItem* keys = findLabel(menu, "_Double tap moves all ports");
    ASSERT_NE(keys, nullptr);
    ASSERT_EQ(keys->children.size(), 5u);
    EXPECT_EQ(keys->children[1].label, "_ScrollLock");
    EXPECT_EQ(keys->children[1].state, 1);
    EXPECT_EQ(keys->children[0].toggle, "");  // NumLock unchecked: a plain item
}

TEST_F(TrayIconOnAPanel, AClickOnAPortReachesTheProgramAsThatPortsCommand) {
    const std::vector<ShownItem> menu = shownMenu();
    const ShownItem* port1 = findLabel(menu, "Port _1 \u00B7 Logitech Receiver \u00B7 on the other computer");
    ASSERT_NE(port1, nullptr);
    click(port1->id);
    ASSERT_TRUE(spinUntil(nullptr, [this] { return !chosen.empty(); }));
    EXPECT_EQ(chosen, std::vector<int>{tray::FirstPort + 1});

    const ShownItem* keys = findLabel(menu, "_Double tap moves all ports");
    ASSERT_NE(keys, nullptr);
    click(keys->children[2].id);  // CapsLock, in the submenu
    ASSERT_TRUE(spinUntil(nullptr, [this] { return chosen.size() == 2; }));
    EXPECT_EQ(chosen.back(), tray::KeyCapsLock);
}

TEST_F(TrayIconOnAPanel, ARefreshShowsTheNewState) {
    summary.ports[0].pending = true;
    choices.notifications = false;
    icon->refresh();
    const std::vector<ShownItem> menu = shownMenu();
    const ShownItem* port1 = findLabel(menu, "Port _1 \u00B7 Logitech Receiver \u00B7 on the other computer");
    ASSERT_NE(port1, nullptr);
    EXPECT_FALSE(port1->enabled);
    const ShownItem* notifications = findLabel(menu, "_Notifications");
    ASSERT_NE(notifications, nullptr);
    EXPECT_NE(notifications->state, 1);
}

}  // namespace
}  // namespace pivora::test
