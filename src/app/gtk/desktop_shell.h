#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/gtk/busy_notice_window.h"
#include "app/gtk/gtk_menu.h"
#include "app/gtk/panel_window.h"
#include "app/gtk/tray_icon.h"
#include "control/control_port.h"
#include "log/diagnostic_log.h"
#include "platform/linux/desktop_notifier.h"
#include "platform/linux/desktop_settings.h"
#include "platform/linux/display_server.h"
#include "platform/linux/x11/lock_key_watch.h"
#include "platform/linux/xdg_autostart.h"
#include "ui/port_notices.h"
#include "ui/tray_menu_items.h"

namespace pivora {

// What the Linux desktop gives the user around the control: the window,
// the tray icon and its menu (or the window's menu button where no tray
// shows), notifications, the busy notice, the double tap on X11, and the
// choices kept in the settings file. Lives on GTK's thread; it reads the
// control only through the panels it is handed and posts commands.
class DesktopShell {
public:
    struct Parts {
        ControlPort& control;
        GDBusConnection* session;  // may be null: no tray, no notifications
        DesktopSettings& settings;
        XdgAutostart& autostart;
        DiagnosticLog& log;
        DisplayServer display;
        std::function<void()> quit;
    };

    explicit DesktopShell(Parts parts);
    ~DesktopShell();
    DesktopShell(const DesktopShell&) = delete;
    DesktopShell& operator=(const DesktopShell&) = delete;

    // The tray icon where a tray shows it, else the window at once with its
    // menu button; the double tap armed as the settings say.
    void start();
    void panelChanged(const PanelState& panel);
    // A second start: the window brought up.
    bool show();
    // A word the user must see (a refused controller node): a notification
    // whatever the settings say, since it is no news of a port.
    void warn(const std::string& text);

    // The menu as it is now, and a choice from it: the tray's and the menu
    // button's alike.
    std::vector<TrayMenuItem> menuItems() const;
    void choose(int command);

    bool hasTrayIcon() const { return tray_ != nullptr; }
    PanelWindow& window() { return window_; }
    BusyNoticeWindow& busyNotice() { return busyNotice_; }

private:
    void armDoubleTap();
    void showAbout();

    Parts parts_;
    PanelWindow window_;
    BusyNoticeWindow busyNotice_;
    DesktopNotifier notifier_;
    PortNotices notices_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<LockKeyWatch> doubleTap_;
    bool doubleTapWatched_ = false;
    GtkMenuHandle buttonMenu_;
    PanelState panel_;
    std::uint32_t busyNoticesShown_ = 0;
};

}  // namespace pivora
