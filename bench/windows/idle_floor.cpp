// The floor Pivora's idle footprint is measured against: a bare tray utility
// doing only what any tray utility of its kind must. A hidden window, a tray
// icon, a 1 s and a 5 s timer whose handlers do nothing, and its message loop.
// Each build of it imports the system DLLs of one build of the program and
// calls into each once at start (see touchImportedDlls), so that each is
// loaded and initialised as in that program; whatever the program costs
// beyond its floor is its own work. tools/measure-idle-footprint.sh runs it
// beside the program.

#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <cstring>

#include "idle_floor.h"

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT_PTR kTickTimer = 0;
constexpr UINT_PTR kSlowTimer = 1;
constexpr UINT kTickPeriodMs = 1000;
constexpr UINT kSlowPeriodMs = 5000;
const char kTitle[] = "Pivora idle floor";

NOTIFYICONDATAA trayIcon(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    std::strncpy(data.szTip, kTitle, sizeof data.szTip - 1);
    return data;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
        case kTrayMessage:
            return 0;
        case WM_DESTROY: {
            NOTIFYICONDATAA icon = trayIcon(window);
            Shell_NotifyIconA(NIM_DELETE, &icon);
            PostQuitMessage(0);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    touchImportedDlls();

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = "PivoraIdleFloor";
    if (RegisterClassA(&windowClass) == 0) return 1;
    // Never shown: a tray utility lives in its icon.
    const HWND window = CreateWindowExA(0, windowClass.lpszClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                        CW_USEDEFAULT, 320, 200, nullptr, nullptr, module, nullptr);
    if (window == nullptr) return 1;

    NOTIFYICONDATAA icon = trayIcon(window);
    Shell_NotifyIconA(NIM_ADD, &icon);
    SetTimer(window, kTickTimer, kTickPeriodMs, nullptr);
    SetTimer(window, kSlowTimer, kSlowPeriodMs, nullptr);

    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
