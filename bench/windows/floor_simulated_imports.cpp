// The DLLs pivora_simulated.exe imports beyond the floor's own.

#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <winsock2.h>

#include "idle_floor.h"

void touchImportedDlls() {
    GetStockObject(DEFAULT_GUI_FONT);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    IsAppThemed();
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) WSACleanup();
}
