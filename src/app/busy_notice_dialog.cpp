#include "app/busy_notice_dialog.h"

#include <array>

#include "ui/resource_ids.h"
#include "ui/texts.h"

namespace pivora {

namespace {

// The notice's bytes are in their own code page (Big5 for the Chinese text),
// so they are converted here rather than by SetDlgItemTextA, which would read
// them in the user's ANSI code page.
void setNoticeText(HWND dialog) {
    const BusyNoticeText notice = busyNoticeText(GetUserDefaultLangID());
    // A code page of 0 marks plain ASCII, which every ANSI code page reads alike.
    const UINT codePage = notice.codePage != 0 ? notice.codePage : CP_ACP;
    std::array<WCHAR, 128> wide{};
    const int length = MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(notice.bytes),
                                           static_cast<int>(notice.length), wide.data(),
                                           static_cast<int>(wide.size()) - 1);
    wide.at(length > 0 ? static_cast<std::size_t>(length) : 0) = L'\0';
    SetDlgItemTextW(dialog, IDC_BUSY_TEXT, wide.data());
}

}  // namespace

INT_PTR CALLBACK BusyNoticeDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            setNoticeText(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ShowWindow(dialog, SW_HIDE);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace pivora
