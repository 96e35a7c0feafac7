#include "app/main_dialog_proc.h"

#include <uxtheme.h>

#include "app/switch_dialog.h"
#include "platform/win32/win32_window_dpi.h"
#include "ui/port_rows.h"
#include "ui/resource_ids.h"

namespace pivora {

namespace {

// The shell sends this to every top-level window when its notification area
// is re-created; registered once, on first use.
UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

// Only ever seen briefly: the window hides itself when minimised.
void paintMinimised(HWND window, const SwitchDialog& dialog) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    SendMessageA(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(window, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, static_cast<HICON>(dialog.appIcon));
    EndPaint(window, &paint);
}

// The arrow buttons keep the classic look whatever the visual style, as the
// template cannot say: their image is the whole button inside BS_FLAT's
// one-pixel frame, where a themed button would draw its own face around it
// and clip it. The style is turned off by naming no theme class: Windows
// documents empty names for that, which Wine 8 refuses; a single space
// matches no class on either.
void keepArrowButtonsClassic(HWND window) {
    for (const PortRow& row : kPortRows)
        for (const int button : {row.claimButton, row.releaseButton})
            SetWindowTheme(GetDlgItem(window, button), L" ", L" ");
}

// A dialog procedure answers most messages through DWLP_MSGRESULT.
INT_PTR handledWithResult(HWND window, LRESULT result) {
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK mainDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        keepArrowButtonsClassic(window);
        return reinterpret_cast<SwitchDialog*>(lParam)->initMainWindow(window, windowDpi(window));
    }
    // Messages sent while the window is being created come before WM_INITDIALOG.
    auto* dialog = reinterpret_cast<SwitchDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;

    switch (message) {
        case WM_SYSCOMMAND:
            return dialog->onSystemCommand(wParam) ? handledWithResult(window, 0) : FALSE;
        case WM_PAINT:
            if (!IsIconic(window)) return FALSE;
            paintMinimised(window, *dialog);
            return TRUE;
        case WM_DPICHANGED: {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            dialog->onDpiChanged(LOWORD(wParam),
                                 ScreenRect{suggested.left, suggested.top, suggested.right, suggested.bottom});
            // The dialog manager's own handling follows: the fonts and the
            // controls' places at the new scale.
            return FALSE;
        }
        case WM_QUERYDRAGICON:
            // One of the messages whose dialog procedure result is the answer.
            return reinterpret_cast<INT_PTR>(dialog->appIcon);
        case WM_COPYDATA: {
            // Any program of the session may send this; the dialog checks it all.
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            const bool answered = copy != nullptr && dialog->onRemoteRequest(copy->dwData, copy->lpData, copy->cbData);
            return handledWithResult(window, answered ? TRUE : FALSE);
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                PostQuitMessage(IDCANCEL);
                return TRUE;
            }
            dialog->onWindowMessage(message, wParam, lParam);
            return TRUE;
        default:
            if (message == taskbarCreatedMessage() && message != 0) {
                dialog->onTaskbarCreated();
                return FALSE;
            }
            // Sizes, timers, device changes and the tray's callback; the
            // default handling follows each of them.
            dialog->onWindowMessage(message, wParam, lParam);
            return FALSE;
    }
}

}  // namespace pivora
