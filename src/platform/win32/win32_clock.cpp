#include "platform/win32/win32_clock.h"

// libstdc++ on mingw may define NOMINMAX already.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace pivora {

void Win32Clock::sleep(std::uint32_t ms) { Sleep(ms); }

std::uint32_t Win32Clock::tickCount() { return GetTickCount(); }

}  // namespace pivora
