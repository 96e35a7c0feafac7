#include "app/about_dialog.h"

#include <algorithm>

#include "ui/resource_ids.h"
#include "ui/texts.h"

namespace pivora {

namespace {

// Centres the box over its owner while the owner is on the screen, otherwise
// in the work area; either way it stays inside the work area.
void placeAboutBox(HWND dialog) {
    const HWND owner = GetWindow(dialog, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(owner != nullptr ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT area = monitor.rcWork;

    RECT centreOn = area;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &centreOn);

    RECT box{};
    GetWindowRect(dialog, &box);
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    LONG x = (centreOn.left + centreOn.right) / 2 - width / 2;
    LONG y = (centreOn.top + centreOn.bottom) / 2 - height / 2;
    x = std::max(area.left, std::min(x, area.right - width));
    y = std::max(area.top, std::min(y, area.bottom - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

INT_PTR CALLBACK AboutDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text::kAboutVersion);
            SetDlgItemTextA(dialog, IDC_ABOUT_NOTICE, text::kAboutNotice);
            placeAboutBox(dialog);
            return TRUE;
        case WM_COMMAND:
            // The close box arrives as IDCANCEL, like Esc.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace pivora
