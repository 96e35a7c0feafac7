#pragma once

#include "platform/win32/windows_api.h"

namespace pivora {

// The resolution `window` is drawn at, in dots per inch (96 at 100 %): its
// monitor's for a per-monitor aware program. GetDpiForWindow came with
// Windows 10 1607 and is looked up when first needed, so that the program
// still starts on Windows 7 and 8; without it, the screen's LOGPIXELSX,
// which every window of a program aware of the system's scale alone has.
int windowDpi(HWND window);

}  // namespace pivora
