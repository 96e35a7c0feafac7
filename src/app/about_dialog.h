#pragma once

#include "platform/win32/windows_api.h"

namespace pivora {

// The About box, run modally on its template by the window seam.
class AboutDialog {
public:
    // Its dialog procedure: fills in the version and the maker's notice and
    // places the box; OK, Enter, Esc and the close box end it.
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace pivora
