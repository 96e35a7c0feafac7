#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

// Window messages, commands and flags Pivora uses, with the values Windows
// gives them; the Win32 seam checks each against the SDK.
namespace win {
constexpr std::uint32_t kWmSize = 0x0005;
constexpr std::uint32_t kWmClose = 0x0010;
constexpr std::uint32_t kWmQueryEndSession = 0x0011;
constexpr std::uint32_t kWmEndSession = 0x0016;
constexpr std::uint32_t kWmCopyData = 0x004A;
constexpr std::uint32_t kWmNcLButtonDown = 0x00A1;
constexpr std::uint32_t kWmKeyDown = 0x0100;
constexpr std::uint32_t kWmKeyUp = 0x0101;
constexpr std::uint32_t kWmChar = 0x0102;
constexpr std::uint32_t kWmCommand = 0x0111;
constexpr std::uint32_t kWmLButtonDown = 0x0201;
constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
constexpr std::uint32_t kWmRButtonDown = 0x0204;
constexpr std::uint32_t kWmPowerBroadcast = 0x0218;
constexpr std::uint32_t kWmDeviceChange = 0x0219;
constexpr std::uint32_t kWmSwitchTray = 1124;    // the tray icon's callback
constexpr std::uint32_t kWmSwitchHotkey = 1125;  // posted by the keyboard hook
constexpr std::uint32_t kWmSwitchPanel = 1126;   // posted by the control: a new panel to draw
// Posted by the window to itself after a move to a monitor of another scale,
// once the dialog manager has laid it out there: wParam the new dpi.
constexpr std::uint32_t kWmSwitchRescale = 1127;

constexpr std::uintptr_t kSizeMinimized = 1;
constexpr std::uintptr_t kDbtDevNodesChanged = 7;
constexpr std::uintptr_t kPbtApmSuspend = 4;
constexpr std::uintptr_t kPbtApmResumeSuspend = 7;    // a wake the user caused
constexpr std::uintptr_t kPbtApmResumeAutomatic = 18;  // every wake, also one no user caused
constexpr std::uintptr_t kHtCaption = 2;

constexpr int kSwHide = 0;
constexpr int kSwShowNormal = 1;
constexpr int kSwShow = 5;

constexpr std::uint32_t kBnClicked = 0;

constexpr std::uint32_t kScClose = 0xF060;
constexpr std::uint32_t kSysCommandAbout = 0x10;

constexpr std::uint32_t kMfString = 0x0000;
constexpr std::uint32_t kMfGrayed = 0x0001;
constexpr std::uint32_t kMfChecked = 0x0008;
constexpr std::uint32_t kMfPopup = 0x0010;
constexpr std::uint32_t kMfByCommand = 0x0000;
constexpr std::uint32_t kMfSeparator = 0x0800;
constexpr std::uint32_t kTpmReturnCmdNoNotify = 0x0180;

constexpr int kIconSmall = 0;
constexpr int kIconBig = 1;

constexpr std::uint32_t kNifMessageIconTip = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
constexpr std::uint32_t kNifInfo = 0x10;
constexpr std::uint32_t kNiifInfo = 1;
constexpr std::uint32_t kNiifWarning = 2;
}  // namespace win

// What Pivora puts in its NOTIFYICONDATAA. cbSize is the Windows 2000 form's
// size for the platform built for (NOTIFYICONDATAA_V2_SIZE).
struct TrayIconRecord {
    static constexpr std::uint32_t kV2Size = sizeof(void*) == 8 ? 504u : 488u;
    std::uint32_t cbSize = kV2Size;
    OsHandle window = nullptr;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    OsHandle icon = nullptr;
    char tip[64] = {};
    // A balloon, shown by a modify with kNifInfo. How long it stays is the
    // user's accessibility setting since Windows Vista: no timeout is given.
    char info[256] = {};
    char infoTitle[64] = {};
    std::uint32_t infoFlags = 0;
};

// The window seam: each call is one Windows call on a window, a menu, the
// notification area or a resource, as thin as the call. Texts are ANSI
// except menu texts, which are UTF-16 so that a Traditional Chinese entry
// shows whatever the user's ANSI code page.
class WindowApi {
public:
    virtual ~WindowApi() = default;

    // FindWindowA(no class, title): a top-level window with exactly that title, or nullptr.
    virtual OsHandle findTopLevelWindow(const char* title) = 0;
    // SetWindowTextA / SetDlgItemTextA.
    virtual int setWindowText(OsHandle window, const char* text) = 0;
    virtual int setControlText(OsHandle dialog, int controlId, const char* text) = 0;
    // ShowWindow on the window, or on a dialog's control.
    virtual int showWindow(OsHandle window, int command) = 0;
    virtual int showControl(OsHandle dialog, int controlId, int command) = 0;
    // SetWindowPos of a control to a new size in pixels, keeping its place.
    virtual int resizeControl(OsHandle dialog, int controlId, int width, int height) = 0;
    // SetWindowPos of a window to a new place and size, in screen pixels,
    // keeping its Z order and activation.
    virtual int moveWindow(OsHandle window, int left, int top, int width, int height) = 0;
    // SetForegroundWindow.
    virtual int setForegroundWindow(OsHandle window) = 0;
    // PostMessageA.
    virtual int postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // IsWindow.
    virtual int isWindow(OsHandle window) = 0;
    // SendMessageTimeoutA(window, WM_COPYDATA, from, {tag, size, data},
    // SMTO_BLOCK | SMTO_ABORTIFHUNG, timeoutMs): nonzero when the window
    // took the data within the time. The data is the caller's again on return.
    virtual int sendCopyData(OsHandle window, OsHandle from, std::uintptr_t tag, const void* data, std::uint32_t size,
                             std::uint32_t timeoutMs) = 0;
    // MultiByteToWideChar(CP_ACP, 0, text, length, out, capacity): an ANSI
    // text, as the window's ANSI calls read it, in UTF-16 units; with
    // capacity 0 the units it needs. 0 when it fails.
    virtual int ansiToUtf16(const char* text, int length, char16_t* out, int capacity) = 0;

    // GetSystemMenu(window, FALSE), or nullptr.
    virtual OsHandle getSystemMenu(OsHandle window) = 0;
    // ModifyMenuW(menu, item, flags, newId, text).
    virtual int modifyMenu(OsHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                           const char16_t* text) = 0;
    // CreatePopupMenu, AppendMenuW, DestroyMenu.
    virtual OsHandle createPopupMenu() = 0;
    virtual int appendMenu(OsHandle menu, std::uint32_t flags, std::uintptr_t id, const char16_t* text) = 0;
    virtual int destroyMenu(OsHandle menu) = 0;
    // GetCursorPos, in screen coordinates.
    virtual int getCursorPos(int* x, int* y) = 0;
    // TrackPopupMenu(menu, flags, x, y, 0, owner, no rectangle): with
    // TPM_RETURNCMD the chosen command, 0 when dismissed.
    virtual int trackPopupMenu(OsHandle menu, std::uint32_t flags, int x, int y, OsHandle owner) = 0;

    // LoadStringW of the program's string `id` into `size` UTF-16 units: its length.
    virtual int loadString(std::uint32_t id, char16_t* text, int size) = 0;
    // LoadIconA of the program's icon `id`.
    virtual OsHandle loadIcon(std::uint32_t id) = 0;
    // WM_SETICON with ICON_BIG or ICON_SMALL.
    virtual void setWindowIcon(OsHandle window, int which, OsHandle icon) = 0;
    // LoadBitmapA of the program's bitmap `id`, or nullptr; DeleteObject of one.
    virtual OsHandle loadBitmap(std::uint32_t id) = 0;
    virtual int deleteBitmap(OsHandle bitmap) = 0;
    // BM_SETIMAGE with IMAGE_BITMAP on a dialog's button. The button does not
    // own the bitmap: whoever loaded it deletes it once no button shows it.
    virtual void setButtonImage(OsHandle dialog, int controlId, OsHandle bitmap) = 0;
    // STM_SETIMAGE with IMAGE_BITMAP on a dialog's picture control: the image
    // it showed, or nullptr. From then on the control deletes no image, not
    // even the one its template had it load: whoever set one deletes the
    // image given back, and the one it shows once the control is gone.
    virtual OsHandle setPictureImage(OsHandle dialog, int controlId, OsHandle bitmap) = 0;

    // Shell_NotifyIconA(NIM_ADD / NIM_MODIFY / NIM_DELETE, record).
    virtual int addTrayIcon(const TrayIconRecord& record) = 0;
    virtual int modifyTrayIcon(const TrayIconRecord& record) = 0;
    virtual int deleteTrayIcon(const TrayIconRecord& record) = 0;


    // The lock-key hook: a low-level keyboard hook (WH_KEYBOARD_LL) for the
    // whole desktop, run on a thread of its own so that it answers at once
    // however long `window`'s thread sleeps in a handler. It passes every
    // event on and posts WM_SWITCH_HOTKEY to `window` for each double tap of
    // the lock keys in `lockKeys` (lock_keys bits; the others count as any
    // other key).
    // nullptr when it could not be installed; removed, its thread ended,
    // with removeKeyboardHook.
    virtual OsHandle installKeyboardHook(OsHandle window, std::uint32_t lockKeys) = 0;
    virtual void removeKeyboardHook(OsHandle hook) = 0;

    // The busy notice: a modeless dialog on its template, owned by `owner`,
    // created hidden. Destroyed with destroyWindow.
    virtual OsHandle createBusyNotice(OsHandle owner) = 0;
    // The About box, run modally over `owner` until it is closed.
    virtual void runAboutBox(OsHandle owner) = 0;
    // DestroyWindow.
    virtual int destroyWindow(OsHandle window) = 0;
};

}  // namespace pivora
