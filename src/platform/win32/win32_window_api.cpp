#include "platform/win32/win32_window_api.h"

#include <dbt.h>
#include <shellapi.h>

#include <cstring>

#include "ui/resource_ids.h"

namespace pivora {

// The portable code names these values itself; they must be the SDK's.
static_assert(win::kWmSize == WM_SIZE);
static_assert(win::kWmClose == WM_CLOSE);
static_assert(win::kWmQueryEndSession == WM_QUERYENDSESSION);
static_assert(win::kWmEndSession == WM_ENDSESSION);
static_assert(win::kWmCopyData == WM_COPYDATA);
static_assert(win::kWmPowerBroadcast == WM_POWERBROADCAST);
static_assert(win::kPbtApmSuspend == PBT_APMSUSPEND);
static_assert(win::kPbtApmResumeSuspend == PBT_APMRESUMESUSPEND);
static_assert(win::kPbtApmResumeAutomatic == PBT_APMRESUMEAUTOMATIC);
static_assert(win::kWmNcLButtonDown == WM_NCLBUTTONDOWN);
static_assert(win::kWmKeyDown == WM_KEYDOWN);
static_assert(win::kWmKeyUp == WM_KEYUP);
static_assert(win::kWmChar == WM_CHAR);
static_assert(win::kWmCommand == WM_COMMAND);
static_assert(win::kBnClicked == BN_CLICKED);
static_assert(win::kWmLButtonDown == WM_LBUTTONDOWN);
static_assert(win::kWmLButtonDblClk == WM_LBUTTONDBLCLK);
static_assert(win::kWmRButtonDown == WM_RBUTTONDOWN);
static_assert(win::kWmDeviceChange == WM_DEVICECHANGE);
// Private messages must stay in the range Windows leaves to a window class.
static_assert(win::kWmSwitchTray >= WM_USER && win::kWmSwitchTray < WM_APP);
static_assert(win::kWmSwitchHotkey >= WM_USER && win::kWmSwitchHotkey < WM_APP);
static_assert(win::kWmSwitchPanel >= WM_USER && win::kWmSwitchPanel < WM_APP);
static_assert(win::kWmSwitchRescale >= WM_USER && win::kWmSwitchRescale < WM_APP);
static_assert(win::kSizeMinimized == SIZE_MINIMIZED);
static_assert(win::kDbtDevNodesChanged == DBT_DEVNODES_CHANGED);
static_assert(win::kHtCaption == HTCAPTION);
static_assert(win::kSwHide == SW_HIDE);
static_assert(win::kSwShowNormal == SW_SHOWNORMAL);
static_assert(win::kSwShow == SW_SHOW);
static_assert(win::kScClose == SC_CLOSE);
// The About command must keep clear of the system commands (all 0xF000 and up)
// and have its low four bits free, which Windows uses internally.
static_assert(win::kSysCommandAbout < 0xF000 && (win::kSysCommandAbout & 0xF) == 0);
static_assert(win::kMfString == MF_STRING);
static_assert(win::kMfGrayed == MF_GRAYED);
static_assert(win::kMfByCommand == MF_BYCOMMAND);
static_assert(win::kMfSeparator == MF_SEPARATOR);
static_assert(win::kTpmReturnCmdNoNotify ==
              (TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON));
static_assert(win::kIconSmall == ICON_SMALL);
static_assert(win::kIconBig == ICON_BIG);
static_assert(win::kNifMessageIconTip == (NIF_MESSAGE | NIF_ICON | NIF_TIP));

static_assert(TrayIconRecord::kV2Size == NOTIFYICONDATAA_V2_SIZE);
static_assert(sizeof(TrayIconRecord::tip) <= sizeof(NOTIFYICONDATAA::szTip));
static_assert(sizeof(TrayIconRecord::info) == sizeof(NOTIFYICONDATAA::szInfo));
static_assert(sizeof(TrayIconRecord::infoTitle) == sizeof(NOTIFYICONDATAA::szInfoTitle));
static_assert(win::kNifInfo == NIF_INFO && win::kNiifInfo == NIIF_INFO && win::kNiifWarning == NIIF_WARNING);
static_assert(win::kMfChecked == MF_CHECKED && win::kMfPopup == MF_POPUP);
// Menu texts travel as char16_t and are handed over as WCHAR.
static_assert(sizeof(char16_t) == sizeof(WCHAR));

namespace {

HWND asWindow(OsHandle handle) { return static_cast<HWND>(handle); }
HMENU asMenu(OsHandle handle) { return static_cast<HMENU>(handle); }

const WCHAR* asWide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

NOTIFYICONDATAA toNotifyIconData(const TrayIconRecord& record) {
    NOTIFYICONDATAA data{};
    data.cbSize = record.cbSize;
    data.hWnd = asWindow(record.window);
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = static_cast<HICON>(record.icon);
    std::memcpy(data.szTip, record.tip, sizeof record.tip);
    std::memcpy(data.szInfo, record.info, sizeof record.info);
    std::memcpy(data.szInfoTitle, record.infoTitle, sizeof record.infoTitle);
    data.dwInfoFlags = record.infoFlags;
    data.szTip[sizeof data.szTip - 1] = '\0';
    return data;
}

}  // namespace

Win32WindowApi::Win32WindowApi(HINSTANCE module, DLGPROC aboutProcedure, DLGPROC busyNoticeProcedure,
                               HOOKPROC keyboardHookProcedure)
    : module_(module),
      aboutProcedure_(aboutProcedure),
      busyNoticeProcedure_(busyNoticeProcedure),
      keyboardHookProcedure_(keyboardHookProcedure) {}

OsHandle Win32WindowApi::findTopLevelWindow(const char* title) { return FindWindowA(nullptr, title); }

int Win32WindowApi::setWindowText(OsHandle window, const char* text) {
    return SetWindowTextA(asWindow(window), text) ? 1 : 0;
}

int Win32WindowApi::setControlText(OsHandle dialog, int controlId, const char* text) {
    return SetDlgItemTextA(asWindow(dialog), controlId, text) ? 1 : 0;
}

int Win32WindowApi::showWindow(OsHandle window, int command) { return ShowWindow(asWindow(window), command); }

int Win32WindowApi::showControl(OsHandle dialog, int controlId, int command) {
    return ShowWindow(GetDlgItem(asWindow(dialog), controlId), command);
}

int Win32WindowApi::resizeControl(OsHandle dialog, int controlId, int width, int height) {
    return SetWindowPos(GetDlgItem(asWindow(dialog), controlId), nullptr, 0, 0, width, height,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
               ? 1
               : 0;
}

int Win32WindowApi::moveWindow(OsHandle window, int left, int top, int width, int height) {
    return SetWindowPos(asWindow(window), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE) ? 1 : 0;
}

int Win32WindowApi::setForegroundWindow(OsHandle window) { return SetForegroundWindow(asWindow(window)) ? 1 : 0; }

int Win32WindowApi::postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostMessageA(asWindow(window), message, wParam, lParam) ? 1 : 0;
}

int Win32WindowApi::isWindow(OsHandle window) { return IsWindow(asWindow(window)) ? 1 : 0; }

int Win32WindowApi::sendCopyData(OsHandle window, OsHandle from, std::uintptr_t tag, const void* data,
                                 std::uint32_t size, std::uint32_t timeoutMs) {
    // WM_COPYDATA only reads the data; the structure's pointer is not const.
    COPYDATASTRUCT copy{tag, size, const_cast<void*>(data)};
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(asWindow(window), WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                               reinterpret_cast<LPARAM>(&copy), SMTO_BLOCK | SMTO_ABORTIFHUNG, timeoutMs, &result) != 0
               ? 1
               : 0;
}

int Win32WindowApi::ansiToUtf16(const char* text, int length, char16_t* out, int capacity) {
    return MultiByteToWideChar(CP_ACP, 0, text, length, reinterpret_cast<WCHAR*>(out), capacity);
}

OsHandle Win32WindowApi::getSystemMenu(OsHandle window) { return GetSystemMenu(asWindow(window), FALSE); }

int Win32WindowApi::modifyMenu(OsHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                               const char16_t* text) {
    return ModifyMenuW(asMenu(menu), item, flags, newId, asWide(text)) ? 1 : 0;
}

OsHandle Win32WindowApi::createPopupMenu() { return CreatePopupMenu(); }

int Win32WindowApi::appendMenu(OsHandle menu, std::uint32_t flags, std::uintptr_t id, const char16_t* text) {
    return AppendMenuW(asMenu(menu), flags, id, asWide(text)) ? 1 : 0;
}

int Win32WindowApi::destroyMenu(OsHandle menu) { return DestroyMenu(asMenu(menu)) ? 1 : 0; }

int Win32WindowApi::getCursorPos(int* x, int* y) {
    POINT point{};
    const BOOL ok = GetCursorPos(&point);
    *x = point.x;
    *y = point.y;
    return ok ? 1 : 0;
}

int Win32WindowApi::trackPopupMenu(OsHandle menu, std::uint32_t flags, int x, int y, OsHandle owner) {
    return TrackPopupMenu(asMenu(menu), flags, x, y, 0, asWindow(owner), nullptr);
}

int Win32WindowApi::loadString(std::uint32_t id, char16_t* text, int size) {
    return LoadStringW(module_, id, reinterpret_cast<WCHAR*>(text), size);
}

OsHandle Win32WindowApi::loadIcon(std::uint32_t id) { return LoadIconA(module_, MAKEINTRESOURCEA(id)); }

void Win32WindowApi::setWindowIcon(OsHandle window, int which, OsHandle icon) {
    SendMessageA(asWindow(window), WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
}

OsHandle Win32WindowApi::loadBitmap(std::uint32_t id) { return LoadBitmapA(module_, MAKEINTRESOURCEA(id)); }

int Win32WindowApi::deleteBitmap(OsHandle bitmap) { return DeleteObject(static_cast<HBITMAP>(bitmap)) ? 1 : 0; }

void Win32WindowApi::setButtonImage(OsHandle dialog, int controlId, OsHandle bitmap) {
    SendDlgItemMessageA(asWindow(dialog), controlId, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

OsHandle Win32WindowApi::setPictureImage(OsHandle dialog, int controlId, OsHandle bitmap) {
    return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(asWindow(dialog), controlId, STM_SETIMAGE, IMAGE_BITMAP,
                                                         reinterpret_cast<LPARAM>(bitmap)));
}

int Win32WindowApi::addTrayIcon(const TrayIconRecord& record) {
    NOTIFYICONDATAA data = toNotifyIconData(record);
    return Shell_NotifyIconA(NIM_ADD, &data) ? 1 : 0;
}

int Win32WindowApi::modifyTrayIcon(const TrayIconRecord& record) {
    NOTIFYICONDATAA data = toNotifyIconData(record);
    return Shell_NotifyIconA(NIM_MODIFY, &data) ? 1 : 0;
}

int Win32WindowApi::deleteTrayIcon(const TrayIconRecord& record) {
    NOTIFYICONDATAA data = toNotifyIconData(record);
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 1 : 0;
}

OsHandle Win32WindowApi::installKeyboardHook(OsHandle window, std::uint32_t lockKeys) {
    KeyboardHookThread& hook =
        keyboardHooks_.emplace_back(module_, keyboardHookProcedure_, asWindow(window), lockKeys);
    const HHOOK installed = hook.hook();
    if (installed == nullptr) keyboardHooks_.pop_back();
    return installed;
}

void Win32WindowApi::removeKeyboardHook(OsHandle hook) {
    keyboardHooks_.remove_if([hook](const KeyboardHookThread& thread) { return thread.hook() == hook; });
}

OsHandle Win32WindowApi::createBusyNotice(OsHandle owner) {
    return CreateDialogParamA(module_, MAKEINTRESOURCEA(IDD_BUSY_NOTICE), asWindow(owner), busyNoticeProcedure_, 0);
}

void Win32WindowApi::runAboutBox(OsHandle owner) {
    DialogBoxParamA(module_, MAKEINTRESOURCEA(IDD_ABOUT), asWindow(owner), aboutProcedure_, 0);
}

int Win32WindowApi::destroyWindow(OsHandle window) { return DestroyWindow(asWindow(window)) ? 1 : 0; }

}  // namespace pivora
