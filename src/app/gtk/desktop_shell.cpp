#include "app/gtk/desktop_shell.h"

#include <utility>

#include "app/gtk/tray_host.h"
#include "platform/linux/gio_handles.h"
#include "ui/port_summary.h"
#include "ui/texts.h"
#include "ui/tray_choices.h"

namespace pivora {

namespace {

// Device names come from sysfs and udev as UTF-8; anything else is mended
// rather than dropped.
std::u16string widenUtf8(const std::string& text) {
    const GCharHandle valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    glong units = 0;
    const std::unique_ptr<gunichar2, GFreeRelease> wide(g_utf8_to_utf16(valid.get(), -1, nullptr, &units, nullptr));
    if (!wide) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(wide.get()), static_cast<std::size_t>(units));
}

}  // namespace

DesktopShell::DesktopShell(Parts parts)
    : parts_(std::move(parts)),
      window_(nullptr, PanelWindow::Actions{[this](const Command& command) { parts_.control.post(command); },
                                            [this](GtkWidget* anchor) {
                                                buttonMenu_.reset(buildGtkMenu(
                                                    menuItems(), [this](int command) { choose(command); }));
                                                gtk_menu_popup_at_widget(GTK_MENU(buttonMenu_.get()), anchor,
                                                                         GDK_GRAVITY_SOUTH_WEST,
                                                                         GDK_GRAVITY_NORTH_WEST, nullptr);
                                            }}),
      busyNotice_(window_.window()),
      notifier_(parts_.session) {}

DesktopShell::~DesktopShell() = default;

void DesktopShell::start() {
    if (parts_.session != nullptr && trayHostPresent(parts_.session)) {
        tray_ = std::make_unique<TrayIcon>([this] { return menuItems(); }, [this](int command) { choose(command); });
    } else {
        // No panel would show the icon: the window stands in for it, its
        // menu button giving what the tray menu gives.
        window_.showMenuButton(true);
        window_.present();
    }
    armDoubleTap();
}

void DesktopShell::panelChanged(const PanelState& panel) {
    window_.render(panel);
    if (panel.busyNotices != busyNoticesShown_) {
        busyNoticesShown_ = panel.busyNotices;
        busyNotice_.show();
    }
    if (const std::optional<Balloon> balloon = notices_.next(panel))
        if (parts_.settings.read().notifications) notifier_.show(*balloon);
    if (tray_) tray_->refresh();
}

bool DesktopShell::show() {
    window_.present();
    return true;
}

void DesktopShell::warn(const std::string& text) { notifier_.show(Balloon{Balloon::Warning, "Pivora", text}); }

std::vector<TrayMenuItem> DesktopShell::menuItems() const {
    const DesktopChoices stored = parts_.settings.read();
    TrayMenuChoices choices;
    choices.startWithWindows = parts_.autostart.enabled();
    choices.doubleTapKeys = stored.doubleTapKeys;
    choices.doubleTapUnavailable = !doubleTapWatched_;
    choices.notifications = stored.notifications;
    choices.hasLog = true;
    const LogState log = parts_.log.status().state;
    choices.logging = log == LogState::On;
    choices.logFailed = log == LogState::Failed;
    // The menu is built from the panel as it is now.
    return trayMenuItems(summarize(parts_.control.panel()), choices, widenUtf8, kLinuxMenuWording);
}

void DesktopShell::choose(int command) {
    if (command > tray::FirstPort && command <= tray::FirstPort + 4) {
        if (const std::optional<Command> move = portLineCommand(summarize(parts_.control.panel()), command))
            parts_.control.post(*move);
        return;
    }
    DesktopChoices stored = parts_.settings.read();
    switch (command) {
        case tray::MoveAll:
            parts_.control.post(Command{Command::ToggleAll});
            break;
        case tray::StartWithWindows:
            parts_.autostart.set(!parts_.autostart.enabled());
            break;
        case tray::Notifications:
            stored.notifications = !stored.notifications;
            parts_.settings.write(stored);
            break;
        case tray::Log:
            // A log that failed is tried afresh; one that is on goes off.
            stored.log = parts_.log.status().state != LogState::On;
            parts_.log.setEnabled(stored.log);
            parts_.settings.write(stored);
            break;
        case tray::KeyNumLock:
        case tray::KeyScrollLock:
        case tray::KeyCapsLock:
        case tray::KeysOff:
            stored.doubleTapKeys = doubleTapKeysAfter(stored.doubleTapKeys, command);
            parts_.settings.write(stored);
            armDoubleTap();
            break;
        case tray::Open:
            window_.present();
            break;
        case tray::About:
            showAbout();
            break;
        case tray::Exit:
            parts_.quit();
            return;
        default:
            return;
    }
    // The check items show what was just chosen.
    if (tray_) tray_->refresh();
}

void DesktopShell::armDoubleTap() {
    // Wayland gives no program the keys typed into another's window.
    if (parts_.display != DisplayServer::X11) return;
    if (!doubleTap_) {
        doubleTap_ = std::make_unique<LockKeyWatch>([this] { parts_.control.post(Command{Command::ToggleAll}); });
        doubleTapWatched_ = doubleTap_->start(nullptr);
    }
    if (doubleTapWatched_) doubleTap_->arm(parts_.settings.read().doubleTapKeys);
}

void DesktopShell::showAbout() {
    gtk_show_about_dialog(window_.window(), "program-name", "Pivora", "version", text::kSoftwareVersion, "copyright",
                          text::kAboutNotice, "comments", "Moves the ports of a two-host USB sharing switch.",
                          "logo-icon-name", "pivora", nullptr);
}

}  // namespace pivora
