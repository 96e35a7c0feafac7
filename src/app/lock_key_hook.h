#pragma once

#include "platform/win32/windows_api.h"

namespace pivora {

// The lock-key hook procedure (WH_KEYBOARD_LL), run on the hook's own thread
// (KeyboardHookThread): every key event goes to the double-tap rule, and a
// double tap posts WM_SWITCH_HOTKEY to the window the hook works for, whose
// thread then toggles the ports. Every event is passed on to the next hook,
// so no key is ever withheld.
LRESULT CALLBACK lockKeyHook(int code, WPARAM message, LPARAM event);

}  // namespace pivora
