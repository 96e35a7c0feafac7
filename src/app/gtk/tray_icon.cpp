#include "app/gtk/tray_icon.h"

#include <utility>

#include "ui/texts.h"

namespace pivora {

TrayIcon::TrayIcon(std::function<std::vector<TrayMenuItem>()> items, std::function<void(int command)> chosen)
    : items_(std::move(items)), chosen_(std::move(chosen)) {
    // The icon is looked up in the theme, where the package puts pivora.png at each size.
    indicator_.reset(app_indicator_new("pivora", "pivora", APP_INDICATOR_CATEGORY_APPLICATION_STATUS));
    app_indicator_set_title(indicator_.get(), text::kTrayTip);
    app_indicator_set_status(indicator_.get(), APP_INDICATOR_STATUS_ACTIVE);
    refresh();
}

// The members' order lets the indicator, and its dbusmenu server, go before the menu.
TrayIcon::~TrayIcon() = default;

void TrayIcon::refresh() {
    // An indicator exports its menu once, when it is set: a changed menu is a new one.
    GtkMenuHandle fresh(buildGtkMenu(items_ ? items_() : std::vector<TrayMenuItem>{}, chosen_));
    app_indicator_set_menu(indicator_.get(), GTK_MENU(fresh.get()));
    menu_ = std::move(fresh);
}

}  // namespace pivora
