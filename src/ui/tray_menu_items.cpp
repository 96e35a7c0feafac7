#include "ui/tray_menu_items.h"

#include "settings/user_settings.h"
#include "ui/texts.h"

namespace pivora {

namespace {

TrayMenuItem command(int id, const char16_t* text, bool enabled = true, bool checked = false) {
    TrayMenuItem item;
    item.id = id;
    item.text = text;
    item.enabled = enabled;
    item.checked = checked;
    return item;
}

TrayMenuItem separator() {
    TrayMenuItem item;
    item.kind = TrayMenuItem::Separator;
    return item;
}

// A menu shows "&" as the mark of the next letter's shortcut.
std::u16string literal(const std::u16string& text) {
    std::u16string escaped;
    for (char16_t c : text) {
        if (c == u'&') escaped += u'&';
        escaped += c;
    }
    return escaped;
}

std::u16string portLabel(const PortSummary& port, const std::function<std::u16string(const std::string&)>& widen) {
    // Its digit chooses it from the keyboard.
    std::u16string label = u"Port &" + std::u16string(1, static_cast<char16_t>(u'0' + port.number));
    if (!port.device.empty()) label += u" \u00B7 " + literal(widen(port.device));
    label += port.here ? u" \u00B7 here" : u" \u00B7 on the other computer";
    return label;
}

TrayMenuItem doubleTapKeys(const TrayMenuChoices& choices) {
    TrayMenuItem submenu;
    submenu.kind = TrayMenuItem::Submenu;
    submenu.text = text::kMenuDoubleTap;
    if (choices.doubleTapUnavailable) {
        submenu.items = {command(tray::Dismissed, text::kMenuDoubleTapUnavailable, false)};
        return submenu;
    }
    const std::uint32_t keys = choices.doubleTapKeys;
    submenu.items = {
        command(tray::KeyNumLock, u"&NumLock", true, (keys & lock_keys::kNumLock) != 0),
        command(tray::KeyScrollLock, u"&ScrollLock", true, (keys & lock_keys::kScrollLock) != 0),
        command(tray::KeyCapsLock, u"&CapsLock", true, (keys & lock_keys::kCapsLock) != 0),
        separator(),
        command(tray::KeysOff, u"O&ff", true, keys == 0),
    };
    return submenu;
}

}  // namespace

std::vector<TrayMenuItem> trayMenuItems(const SwitchSummary& summary, const TrayMenuChoices& choices,
                                        const std::function<std::u16string(const std::string&)>& widen,
                                        const TrayMenuWording& wording) {
    std::vector<TrayMenuItem> items;
    if (summary.connected) {
        // A port on its way cannot be sent back before it arrives.
        for (const PortSummary& port : summary.ports)
            items.push_back(command(tray::FirstPort + port.number, portLabel(port, widen).c_str(), !port.pending));
    } else {
        items.push_back(command(tray::Dismissed, text::kMenuNoSwitch, false));
    }
    items.push_back(command(tray::MoveAll, text::kMenuMoveAll, summary.connected));
    items.push_back(separator());
    items.push_back(command(tray::StartWithWindows, wording.startAtSignIn, true, choices.startWithWindows));
    items.push_back(doubleTapKeys(choices));
    items.push_back(command(tray::Notifications, text::kMenuNotifications, true, choices.notifications));
    if (choices.hasLog)
        items.push_back(command(tray::Log, choices.logFailed ? text::kMenuLogFailed : text::kMenuLog, true,
                                choices.logging));
    items.push_back(separator());
    items.push_back(command(tray::Open, text::kMenuOpen));
    items.push_back(command(tray::About, text::kMenuAbout));
    items.push_back(separator());
    items.push_back(command(tray::Exit, wording.quit));
    return items;
}

}  // namespace pivora
