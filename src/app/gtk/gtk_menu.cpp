#include "app/gtk/gtk_menu.h"

#include <string>
#include <utility>

#include "platform/linux/gio_handles.h"

namespace pivora {

namespace {

using Chosen = std::function<void(int command)>;

constexpr const char* kCommandKey = "pivora-command";
constexpr const char* kChosenKey = "pivora-chosen";

void activated(GtkMenuItem* item, gpointer data) {
    // A copy: what it does may rebuild the menu, and with it the original.
    const Chosen chosen = *static_cast<const Chosen*>(data);
    if (chosen) chosen(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), kCommandKey)));
}

void releaseChosen(gpointer data) { std::unique_ptr<Chosen>(static_cast<Chosen*>(data)); }

GtkWidget* menuItem(const TrayMenuItem& item, Chosen* chosen);

void fill(GtkWidget* menu, const std::vector<TrayMenuItem>& items, Chosen* chosen) {
    for (const TrayMenuItem& item : items) gtk_menu_shell_append(GTK_MENU_SHELL(menu), menuItem(item, chosen));
}

GtkWidget* menuItem(const TrayMenuItem& item, Chosen* chosen) {
    if (item.kind == TrayMenuItem::Separator) {
        GtkWidget* separator = gtk_separator_menu_item_new();
        gtk_widget_show(separator);
        return separator;
    }
    const std::string label = gtkMnemonicLabel(item.text);
    GtkWidget* widget = nullptr;
    if (item.kind == TrayMenuItem::Submenu) {
        widget = gtk_menu_item_new_with_mnemonic(label.c_str());
        GtkWidget* submenu = gtk_menu_new();
        fill(submenu, item.items, chosen);
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), submenu);
    } else if (item.checked) {
        widget = gtk_check_menu_item_new_with_mnemonic(label.c_str());
        // Before the handler: setting the state activates the item.
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
    } else {
        widget = gtk_menu_item_new_with_mnemonic(label.c_str());
    }
    gtk_widget_set_sensitive(widget, item.enabled ? TRUE : FALSE);
    if (item.kind == TrayMenuItem::Command) {
        g_object_set_data(G_OBJECT(widget), kCommandKey, GINT_TO_POINTER(item.id));
        g_signal_connect(widget, "activate", G_CALLBACK(activated), chosen);
    }
    gtk_widget_show(widget);
    return widget;
}

}  // namespace

std::string gtkMnemonicLabel(const std::u16string& text) {
    std::u16string marked;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'_') {
            marked += u"__";
        } else if (text[i] == u'&') {
            // "&&" is a literal '&'; a lone '&' marks the next letter, if any.
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                marked += u'&';
                ++i;
            } else if (i + 1 < text.size()) {
                marked += u'_';
            }
        } else {
            marked += text[i];
        }
    }
    const GCharHandle utf8(g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(marked.data()),
                                           static_cast<glong>(marked.size()), nullptr, nullptr, nullptr));
    // Text that is not UTF-16 (a lone surrogate) shows as nothing rather than as garbage.
    return utf8 ? std::string(utf8.get()) : std::string();
}

GtkWidget* buildGtkMenu(const std::vector<TrayMenuItem>& items, std::function<void(int command)> chosen) {
    GtkWidget* menu = gtk_menu_new();
    g_object_ref_sink(menu);
    // The callback lives as long as the menu, whose items (submenus' too) point to it.
    auto owned = std::make_unique<Chosen>(std::move(chosen));
    Chosen* shared = owned.get();
    g_object_set_data_full(G_OBJECT(menu), kChosenKey, owned.release(), releaseChosen);
    fill(menu, items, shared);
    return menu;
}

}  // namespace pivora
