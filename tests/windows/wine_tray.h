#pragma once

// The tray as Wine shows it on an X display with no tray of its own: a small
// window, "Wine System Tray", holding each program's icon, and a balloon
// that a notification opens beside the icon. What the drivers read of them,
// and where a row of a popup menu lies, for a real click on it.

#include <algorithm>
#include <optional>
#include <string>

#include "platform/win32/windows_api.h"

namespace wine_tray {

constexpr const char* kTrayTitle = "Wine System Tray";
// Where the first icon sits in the tray window.
constexpr int kIconX = 12;
constexpr int kIconY = 32;
// A menu's frame and separator rows, as Wine draws them.
constexpr int kMenuBorder = 2;
constexpr int kSeparatorHeight = 9;

// This computer's tray window, if it is shown.
inline HWND trayWindow() {
    const HWND tray = FindWindowA(nullptr, kTrayTitle);
    return tray != nullptr && IsWindowVisible(tray) ? tray : nullptr;
}

// The screen point of the first icon in the tray window.
inline POINT iconPoint() {
    RECT rect{};
    GetWindowRect(trayWindow(), &rect);
    return POINT{rect.left + kIconX, rect.top + kIconY};
}

// The screen point at the middle of row `row` of a menu laid out as `rows`
// ('i' an item, '-' a separator), the item height read from the menu's own.
inline POINT menuRow(const RECT& menu, const std::string& rows, std::size_t row) {
    const auto separators = static_cast<int>(std::count(rows.begin(), rows.end(), '-'));
    const int items = static_cast<int>(rows.size()) - separators;
    const int itemHeight = (menu.bottom - menu.top - 2 * kMenuBorder - separators * kSeparatorHeight) / items;
    int y = menu.top + kMenuBorder;
    for (std::size_t i = 0; i < row; ++i) y += rows[i] == '-' ? kSeparatorHeight : itemHeight;
    return POINT{(menu.left + menu.right) / 2, y + itemHeight / 2};
}

// A balloon shown on this computer: its window, new for each notification,
// and its text (the title, which only its own process can read, aside).
struct Balloon {
    HWND window = nullptr;
    std::string text;
};

inline std::optional<Balloon> shownBalloon() {
    constexpr LONG kBalloonStyle = 0x40;  // TTS_BALLOON
    for (HWND window = FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); window != nullptr;
         window = FindWindowExA(nullptr, window, "tooltips_class32", nullptr)) {
        if (!IsWindowVisible(window) || (GetWindowLongA(window, GWL_STYLE) & kBalloonStyle) == 0) continue;
        // Its text is no window caption: the tooltip answers WM_GETTEXT with
        // it, a message carried across processes (GetWindowText is not).
        char text[512] = {};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                1000, &length) == 0)
            continue;
        return Balloon{window, std::string(text, std::min<std::size_t>(length, sizeof text - 1))};
    }
    return std::nullopt;
}

}  // namespace wine_tray
