#pragma once

#include "platform/win32/windows_api.h"

namespace pivora {

// The busy notice: a modeless dialog created hidden once, shown by the
// release flow each time a device cannot be removed.
class BusyNoticeDialog {
public:
    // Its dialog procedure: the text follows the user's locale language; OK,
    // Enter, Esc and the close box hide the notice, which stays for the next
    // time.
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace pivora
