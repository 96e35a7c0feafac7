#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/gtk/gtk_menu.h"

namespace pivora::test {
namespace {

std::vector<GtkWidget*> children(GtkWidget* menu) {
    std::vector<GtkWidget*> widgets;
    GList* list = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* node = list; node != nullptr; node = node->next) widgets.push_back(GTK_WIDGET(node->data));
    g_list_free(list);
    return widgets;
}

TrayMenuItem item(int id, const char16_t* text, bool enabled = true, bool checked = false) {
    TrayMenuItem made;
    made.id = id;
    made.text = text;
    made.enabled = enabled;
    made.checked = checked;
    return made;
}

class GtkMenuFromItems : public testing::Test {
protected:
    void SetUp() override {
        TrayMenuItem separator;
        separator.kind = TrayMenuItem::Separator;
        TrayMenuItem submenu;
        submenu.kind = TrayMenuItem::Submenu;
        submenu.text = u"&Double tap";
        submenu.items = {item(tray::KeyNumLock, u"&NumLock", true, true), item(tray::KeyCapsLock, u"&CapsLock")};
        const std::vector<TrayMenuItem> items{item(tray::FirstPort + 2, u"Port &2 \u00B7 Stick"),
                                              item(tray::FirstPort + 1, u"Port &1 \u00B7 pending", false),
                                              separator,
                                              item(tray::Notifications, u"&Notifications", true, true),
                                              submenu};
        menu.reset(buildGtkMenu(items, [this](int command) { chosen.push_back(command); }));
        shown = children(menu.get());
        ASSERT_EQ(shown.size(), 5u);
    }

    GtkMenuHandle menu;
    std::vector<GtkWidget*> shown;
    std::vector<int> chosen;
};

TEST_F(GtkMenuFromItems, ShowsEachKindOfItemAsWindowsDoes) {
    EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(shown[0])), "Port _2 \u00B7 Stick");
    EXPECT_TRUE(gtk_menu_item_get_use_underline(GTK_MENU_ITEM(shown[0])));
    EXPECT_FALSE(GTK_IS_CHECK_MENU_ITEM(shown[0]));
    EXPECT_TRUE(gtk_widget_get_sensitive(shown[0]));
    EXPECT_FALSE(gtk_widget_get_sensitive(shown[1]));
    EXPECT_TRUE(GTK_IS_SEPARATOR_MENU_ITEM(shown[2]));
    ASSERT_TRUE(GTK_IS_CHECK_MENU_ITEM(shown[3]));
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(shown[3])));
    for (GtkWidget* widget : shown) EXPECT_TRUE(gtk_widget_get_visible(widget));

    GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(shown[4]));
    ASSERT_NE(submenu, nullptr);
    const std::vector<GtkWidget*> keys = children(submenu);
    ASSERT_EQ(keys.size(), 2u);
    ASSERT_TRUE(GTK_IS_CHECK_MENU_ITEM(keys[0]));
    EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(keys[0])));
    EXPECT_FALSE(GTK_IS_CHECK_MENU_ITEM(keys[1]));
    EXPECT_TRUE(chosen.empty());  // building checks items without choosing them
}

TEST_F(GtkMenuFromItems, ActivatingAnItemPassesItsCommand) {
    gtk_menu_item_activate(GTK_MENU_ITEM(shown[0]));
    gtk_menu_item_activate(GTK_MENU_ITEM(shown[3]));
    gtk_menu_item_activate(GTK_MENU_ITEM(children(gtk_menu_item_get_submenu(GTK_MENU_ITEM(shown[4])))[1]));
    EXPECT_EQ(chosen, (std::vector<int>{tray::FirstPort + 2, tray::Notifications, tray::KeyCapsLock}));
}

TEST_F(GtkMenuFromItems, AnItemMayRebuildTheMenuThatChoseIt) {
    // The program answers a choice by setting a new menu, which lets the old one go.
    GtkMenuHandle rebuilt(buildGtkMenu({item(tray::Open, u"&Open")}, [this](int command) {
        menu.reset();
        chosen.push_back(command);  // what it captured outlives the menu
    }));
    menu = std::move(rebuilt);
    gtk_menu_item_activate(GTK_MENU_ITEM(children(menu.get())[0]));
    EXPECT_EQ(chosen, std::vector<int>{tray::Open});
    EXPECT_EQ(menu, nullptr);
}

struct LabelCase {
    const char16_t* text;
    const char* label;
};

class GtkMnemonicLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(GtkMnemonicLabel, TurnsWindowsMarksIntoGtksInUtf8) {
    EXPECT_EQ(gtkMnemonicLabel(GetParam().text), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(Texts, GtkMnemonicLabel,
                         testing::Values(LabelCase{u"E&xit", "E_xit"}, LabelCase{u"Port &2 \u00B7 here", "Port _2 \u00B7 here"},
                                         LabelCase{u"Smith && Sons", "Smith & Sons"},
                                         LabelCase{u"usb_stick", "usb__stick"},
                                         LabelCase{u"K\u00F6nig \u6C34", "K\u00F6nig \u6C34"},
                                         LabelCase{u"trailing &", "trailing "},
                                         LabelCase{u"bad \xD800 half", ""}));

}  // namespace
}  // namespace pivora::test
