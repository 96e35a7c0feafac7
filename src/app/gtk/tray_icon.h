#pragma once

#include <libayatana-appindicator/app-indicator.h>

#include <functional>
#include <vector>

#include "app/gtk/gtk_menu.h"
#include "platform/linux/gio_handles.h"
#include "ui/tray_menu_items.h"

namespace pivora {

// Pivora's icon in the panel's tray, a StatusNotifierItem through
// libayatana-appindicator, with the tray menu as its only way in (a
// StatusNotifierItem's menu opens on a click; there is no double click).
class TrayIcon {
public:
    // `items` is asked for the menu each time it must be built; `chosen` gets the command.
    TrayIcon(std::function<std::vector<TrayMenuItem>()> items, std::function<void(int command)> chosen);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void refresh();  // rebuilds the menu now (the panel or a choice changed)

private:
    std::function<std::vector<TrayMenuItem>()> items_;
    std::function<void(int command)> chosen_;
    GtkMenuHandle menu_;  // after the indicator has let it go
    GObjectHandle<AppIndicator> indicator_;
};

}  // namespace pivora
