#pragma once

// What the probe library, loaded into the running program by a message hook,
// reports about the main window from inside the program's own process: Wine
// answers menu calls only there.

#include "platform/win32/windows_api.h"

namespace program_probe {

// Posted to the main window; the hook answers it and turns it into WM_NULL.
constexpr const char* kSystemMenuMessage = "PivoraProgramProbe.SystemMenu";
// The shared memory the answer is written to, created by the driver.
constexpr const char* kReportName = "Local\\PivoraProgramProbe.Report";
constexpr const char* kHookName = "probeGetMessageHook";

struct MenuItem {
    UINT id;
    UINT state;  // GetMenuState by position
    WCHAR text[64];
};

struct SystemMenuReport {
    volatile LONG ready;  // set last, once everything else is written
    int found;            // GetSystemMenu gave a menu
    UINT closeState;      // GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND)
    int count;
    MenuItem items[32];
};

}  // namespace program_probe
