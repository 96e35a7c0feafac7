#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/port_summary.h"
#include "ui/texts.h"

namespace pivora {

// The tray menu's commands, as TrackPopupMenu returns them.
namespace tray {
enum Command : int {
    Dismissed = 0,
    Open = 1,
    About = 2,
    Exit = 3,
    MoveAll = 10,
    StartWithWindows = 11,
    Notifications = 12,
    Log = 13,
    KeyNumLock = 20,
    KeyScrollLock = 21,
    KeyCapsLock = 22,
    KeysOff = 23,
    FirstPort = 30,  // + the user's port number 1..4
};
}  // namespace tray

// One item of the tray menu, or a separator, or a submenu.
struct TrayMenuItem {
    enum Kind : std::uint8_t { Command, Separator, Submenu };
    Kind kind = Command;
    int id = 0;
    std::u16string text;
    bool checked = false;
    bool enabled = true;
    std::vector<TrayMenuItem> items;  // a submenu's
};

// What the menu's check items show, read when it opens.
struct TrayMenuChoices {
    bool startWithWindows = false;
    std::uint32_t doubleTapKeys = 0;  // lock_keys bits
    bool notifications = false;
    bool hasLog = false;  // a build without the log file offers none
    bool logging = false;
    bool logFailed = false;  // the log was on and could not be written
    bool doubleTapUnavailable = false;  // the session gives no keys to watch (Wayland)
};

// The few items whose words follow the system the menu is shown on.
struct TrayMenuWording {
    const char16_t* startAtSignIn = text::kMenuStartWithWindows;
    const char16_t* quit = text::kMenuExit;
};
inline constexpr TrayMenuWording kLinuxMenuWording{text::kMenuStartAtLogin, text::kMenuQuit};

// The whole tray menu: the switch's ports and "Move all ports", the user's
// choices, then Open, About and Exit. `widen` turns a device name (in the
// system's own encoding) into UTF-16.
std::vector<TrayMenuItem> trayMenuItems(const SwitchSummary& summary, const TrayMenuChoices& choices,
                                        const std::function<std::u16string(const std::string&)>& widen,
                                        const TrayMenuWording& wording = {});

}  // namespace pivora
