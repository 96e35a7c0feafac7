#include "platform/win32/win32_clock.h"

#include "platform/win32/windows_api.h"

namespace pivora {

void Win32Clock::sleep(std::uint32_t ms) { Sleep(ms); }

std::uint32_t Win32Clock::tickCount() { return GetTickCount(); }

}  // namespace pivora
