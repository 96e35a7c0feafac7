// The DLLs pivora_simulated.exe imports beyond the floor's own.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#include "idle_floor.h"

void touchImportedDlls() {
    GetStockObject(DEFAULT_GUI_FONT);
    WSADATA data{};
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) WSACleanup();
}
