#pragma once

// <windows.h> as every Win32 seam includes it: lean, and without the min and
// max macros (libstdc++ on mingw may have defined NOMINMAX already).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/os_handle.h"

namespace pivora {

// The file-like calls' "no handle", INVALID_HANDLE_VALUE, as Pivora's one empty value.
inline OsHandle orNull(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

}  // namespace pivora
