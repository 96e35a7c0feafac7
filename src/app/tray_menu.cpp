#include <algorithm>
#include <array>

#include "app/switch_dialog.h"
#include "ui/texts.h"
#include "ui/tray_choices.h"

namespace pivora {

namespace {
// Device names are short; a longer one is cut.
constexpr int kWideNameSize = 256;
}  // namespace

void SwitchDialog::showMainWindow() {
    windows_.showWindow(window, win::kSwShowNormal);
    windows_.setForegroundWindow(window);
}

void SwitchDialog::onTrayNotify(std::intptr_t mouseMessage) {
    if (mouseMessage == win::kWmLButtonDblClk) {
        showMainWindow();
        return;
    }
    if (mouseMessage != win::kWmRButtonDown) return;

    TrayMenuChoices choices;
    choices.startWithWindows = startWithWindows_.enabled();
    choices.doubleTapKeys = settings_.doubleTapKeys();
    choices.notifications = settings_.notifications();
    choices.hasLog = log_ != nullptr;
    if (log_ != nullptr) {
        const LogState state = log_->status().state;
        choices.logging = state == LogState::On;
        choices.logFailed = state == LogState::Failed;
    }
    const auto widen = [this](const std::string& text) {
        std::array<char16_t, kWideNameSize> wide{};
        const int length = static_cast<int>(std::min(text.size(), wide.size()));
        const int units = windows_.ansiToUtf16(text.data(), length, wide.data(), static_cast<int>(wide.size()));
        return std::u16string(wide.data(), static_cast<std::size_t>(units > 0 ? units : 0));
    };
    // The menu is built from the panel as it is now, and holds still while open.
    const std::vector<TrayMenuItem> items = trayMenuItems(summarize(control_.panel()), choices, widen);

    OsHandle menu = windows_.createPopupMenu();
    if (menu == nullptr) return;
    appendMenuItems(menu, items);
    // In front, so that the menu closes when the user clicks elsewhere.
    windows_.setForegroundWindow(window);
    int x = 0;
    int y = 0;
    windows_.getCursorPos(&x, &y);
    const int command = windows_.trackPopupMenu(menu, win::kTpmReturnCmdNoNotify, x, y, window);
    // Its submenus go with it.
    windows_.destroyMenu(menu);
    onTrayCommand(command);
}

void SwitchDialog::appendMenuItems(OsHandle menu, const std::vector<TrayMenuItem>& items) {
    for (const TrayMenuItem& item : items) {
        if (item.kind == TrayMenuItem::Separator) {
            windows_.appendMenu(menu, win::kMfSeparator, 0, nullptr);
        } else if (item.kind == TrayMenuItem::Submenu) {
            OsHandle submenu = windows_.createPopupMenu();
            if (submenu == nullptr) continue;
            appendMenuItems(submenu, item.items);
            windows_.appendMenu(menu, win::kMfPopup, reinterpret_cast<std::uintptr_t>(submenu), item.text.c_str());
        } else {
            const std::uint32_t flags =
                win::kMfString | (item.checked ? win::kMfChecked : 0) | (item.enabled ? 0 : win::kMfGrayed);
            windows_.appendMenu(menu, flags, static_cast<std::uintptr_t>(item.id), item.text.c_str());
        }
    }
}

void SwitchDialog::onTrayCommand(int command) {
    if (command > tray::FirstPort && command <= tray::FirstPort + 4) {
        if (const std::optional<Command> move = portLineCommand(summarize(control_.panel()), command))
            control_.post(*move);
        return;
    }
    switch (command) {
        case tray::MoveAll:
            control_.post(Command{Command::ToggleAll});
            break;
        case tray::StartWithWindows:
            startWithWindows_.set(!startWithWindows_.enabled());
            break;
        case tray::Notifications:
            settings_.setNotifications(!settings_.notifications());
            break;
        case tray::Log:
            switchLog();
            break;
        case tray::KeyNumLock:
        case tray::KeyScrollLock:
        case tray::KeyCapsLock:
        case tray::KeysOff:
            chooseDoubleTapKeys(command);
            break;
        case tray::Open:
            showMainWindow();
            break;
        case tray::About:
            showAboutBox();
            break;
        case tray::Exit:
            windows_.postMessage(window, win::kWmClose, 0, 0);
            break;
        default:
            break;
    }
}

void SwitchDialog::chooseDoubleTapKeys(int command) {
    settings_.setDoubleTapKeys(doubleTapKeysAfter(settings_.doubleTapKeys(), command));
    const std::uint32_t keys = settings_.doubleTapKeys();
    // The hook watches the keys it was given: a new one for new keys.
    if (keyboardHook != nullptr) {
        windows_.removeKeyboardHook(keyboardHook);
        keyboardHook = nullptr;
    }
    if (keys != 0) keyboardHook = windows_.installKeyboardHook(window, keys);
}

void SwitchDialog::useLog(DiagnosticLog& log, bool startOn) {
    log_ = &log;
    logFromStart_ = startOn;
}

void SwitchDialog::switchLog() {
    if (log_ == nullptr) return;
    // A log that failed is tried afresh; one that is on goes off. The choice
    // is kept for the next start.
    const bool on = log_->status().state != LogState::On;
    log_->setEnabled(on);
    settings_.setLogging(on);
}

void SwitchDialog::showAboutBox() { windows_.runAboutBox(window); }

void SwitchDialog::onTaskbarCreated() {
    if (liveInstance == 1) windows_.addTrayIcon(trayIcon);
}

}  // namespace pivora
