#pragma once

#include "platform/win32/windows_api.h"

namespace pivora {

// The main window's dialog procedure, created on the port panel's template
// with the SwitchDialog as the creation parameter; it forwards to that object.
// The cancel command (control 2, which WM_CLOSE becomes) ends the modal run by
// posting WM_QUIT, so the run's message loop ends after the handler returns.
INT_PTR CALLBACK mainDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace pivora
