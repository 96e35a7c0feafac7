// The DLLs pivora.exe imports beyond the floor's own.

#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <setupapi.h>
#include <winspool.h>

// mingw's hidsdi.h declares the hid.dll functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include "idle_floor.h"

void touchImportedDlls() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key) == ERROR_SUCCESS) RegCloseKey(key);
    GetStockObject(DEFAULT_GUI_FONT);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    IsAppThemed();
    GUID hidClass{};
    HidD_GetHidGuid(&hidClass);
    const HDEVINFO devices = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (devices != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(devices);
    ClosePrinter(nullptr);  // fails at once: no printer is opened
}
