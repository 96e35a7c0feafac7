#pragma once

#include <cstddef>
#include <cstdint>

#include "pivora_version.h"

namespace pivora {

// The program's own texts, as the user sees them. In menu texts "&" marks
// the letter that chooses the item from the keyboard.
namespace text {
constexpr const char* kMainWindowTitle = "Pivora v" PIVORA_SHOWN_VERSION_TEXT;  // also the single-instance marker
constexpr const char* kSoftwareVersion = PIVORA_VERSION_TEXT;
constexpr const char* kAboutVersion = "Pivora Version " PIVORA_SHOWN_VERSION_TEXT;
constexpr const char* kAboutNotice = "(C) 2026 Pivora developers";
constexpr const char* kTrayTip = "Pivora";
constexpr const char16_t* kMenuOpen = u"&Open";
constexpr const char16_t* kMenuAbout = u"&About";
constexpr const char16_t* kMenuExit = u"E&xit";
constexpr const char16_t* kMenuNoSwitch = u"No switch connected";
constexpr const char16_t* kMenuMoveAll = u"&Move all ports";
constexpr const char16_t* kMenuStartWithWindows = u"&Start with Windows";
constexpr const char16_t* kMenuDoubleTap = u"&Double tap moves all ports";
constexpr const char16_t* kMenuNotifications = u"&Notifications";
constexpr const char16_t* kMenuLog = u"Diagnostic &log";
constexpr const char16_t* kMenuLogFailed = u"Diagnostic &log (could not be written)";
// Where Linux's words differ from Windows'.
constexpr const char16_t* kMenuStartAtLogin = u"&Start at login";
constexpr const char16_t* kMenuQuit = u"&Quit";
// Wayland keeps the keyboard from every program but the focused one.
constexpr const char16_t* kMenuDoubleTapUnavailable = u"Unavailable on Wayland";

constexpr const char* kBusyNoticeEnglish = "USB device is being used, please try later.";
// "USB 裝置使用中，無法移除或切換。" in the Big5 code page (Windows code page 950).
constexpr std::uint8_t kBusyNoticeBig5[32] = {0x55, 0x53, 0x42, 0x20, 0xB8, 0xCB, 0xB8, 0x6D, 0xA8, 0xCF, 0xA5,
                                              0xCE, 0xA4, 0xA4, 0xA1, 0x41, 0xB5, 0x4C, 0xAA, 0x6B, 0xB2, 0xBE,
                                              0xB0, 0xA3, 0xA9, 0xCE, 0xA4, 0xC1, 0xB4, 0xAB, 0xA1, 0x43};
constexpr std::uint32_t kBig5CodePage = 950;
}  // namespace text

// The busy notice's text for a user's locale language: the Traditional
// Chinese one (Big5 bytes) for Taiwan and Hong Kong, English otherwise.
struct BusyNoticeText {
    const std::uint8_t* bytes;
    std::size_t length;
    std::uint32_t codePage;  // 0: plain ASCII
};
BusyNoticeText busyNoticeText(std::uint16_t languageId);

}  // namespace pivora
