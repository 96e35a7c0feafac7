#pragma once

#include <cstdint>
#include <list>

#include "platform/win32/win32_keyboard_hook.h"
#include "platform/win32/windows_api.h"
#include "platform/window_api.h"

namespace pivora {

// The real window seam: each call is the one Windows call its contract in
// window_api.h names, on the program's own resources. The procedures of the
// two dialogs it creates and of the keyboard hook belong to the application
// and are handed in; without a hook procedure no hook can be installed. No
// state beyond that and the threads of the installed hooks, no logic.
class Win32WindowApi : public WindowApi {
public:
    Win32WindowApi(HINSTANCE module, DLGPROC aboutProcedure, DLGPROC busyNoticeProcedure,
                   HOOKPROC keyboardHookProcedure = nullptr);

    OsHandle findTopLevelWindow(const char* title) override;
    int setWindowText(OsHandle window, const char* text) override;
    int setControlText(OsHandle dialog, int controlId, const char* text) override;
    int showWindow(OsHandle window, int command) override;
    int showControl(OsHandle dialog, int controlId, int command) override;
    int resizeControl(OsHandle dialog, int controlId, int width, int height) override;
    int moveWindow(OsHandle window, int left, int top, int width, int height) override;
    int setForegroundWindow(OsHandle window) override;
    int postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    int isWindow(OsHandle window) override;
    int sendCopyData(OsHandle window, OsHandle from, std::uintptr_t tag, const void* data, std::uint32_t size,
                     std::uint32_t timeoutMs) override;
    int ansiToUtf16(const char* text, int length, char16_t* out, int capacity) override;

    OsHandle getSystemMenu(OsHandle window) override;
    int modifyMenu(OsHandle menu, std::uint32_t item, std::uint32_t flags, std::uintptr_t newId,
                   const char16_t* text) override;
    OsHandle createPopupMenu() override;
    int appendMenu(OsHandle menu, std::uint32_t flags, std::uintptr_t id, const char16_t* text) override;
    int destroyMenu(OsHandle menu) override;
    int getCursorPos(int* x, int* y) override;
    int trackPopupMenu(OsHandle menu, std::uint32_t flags, int x, int y, OsHandle owner) override;

    int loadString(std::uint32_t id, char16_t* text, int size) override;
    OsHandle loadIcon(std::uint32_t id) override;
    void setWindowIcon(OsHandle window, int which, OsHandle icon) override;
    OsHandle loadBitmap(std::uint32_t id) override;
    int deleteBitmap(OsHandle bitmap) override;
    void setButtonImage(OsHandle dialog, int controlId, OsHandle bitmap) override;
    OsHandle setPictureImage(OsHandle dialog, int controlId, OsHandle bitmap) override;

    int addTrayIcon(const TrayIconRecord& record) override;
    int modifyTrayIcon(const TrayIconRecord& record) override;
    int deleteTrayIcon(const TrayIconRecord& record) override;

    // The handle is the HHOOK; a hook still installed goes with this object.
    OsHandle installKeyboardHook(OsHandle window, std::uint32_t lockKeys) override;
    void removeKeyboardHook(OsHandle hook) override;

    OsHandle createBusyNotice(OsHandle owner) override;
    void runAboutBox(OsHandle owner) override;
    int destroyWindow(OsHandle window) override;

private:
    HINSTANCE module_;
    DLGPROC aboutProcedure_;
    DLGPROC busyNoticeProcedure_;
    HOOKPROC keyboardHookProcedure_;
    std::list<KeyboardHookThread> keyboardHooks_;
};

}  // namespace pivora
