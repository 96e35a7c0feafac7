#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <vector>

#include "ui/tray_menu_items.h"

namespace pivora {

// A menu the program holds: destroyed (which detaches it from its popup
// window) and then released.
struct GtkMenuRelease {
    void operator()(GtkWidget* menu) const {
        gtk_widget_destroy(menu);
        g_object_unref(menu);
    }
};
using GtkMenuHandle = std::unique_ptr<GtkWidget, GtkMenuRelease>;

// A GtkMenu showing `items` as Windows' tray menu shows them: check items,
// submenus, separators, greyed items, and the letter after '&' as the
// mnemonic. Activating an item passes its command (tray::Command) to
// `chosen`. Its floating reference is sunk: the caller owns it, in a
// GtkMenuHandle.
GtkWidget* buildGtkMenu(const std::vector<TrayMenuItem>& items, std::function<void(int command)> chosen);

// A menu text with Windows' '&' mnemonic mark turned into GTK's '_' (and a
// literal '_' kept literal), in UTF-8.
std::string gtkMnemonicLabel(const std::u16string& text);

}  // namespace pivora
