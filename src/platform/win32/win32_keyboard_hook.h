#pragma once

#include <cstdint>
#include <thread>

#include "platform/win32/windows_api.h"

namespace pivora {

// A low-level keyboard hook (WH_KEYBOARD_LL) for the whole desktop, run on a
// thread of its own. Windows calls a low-level hook on the thread that
// installed it, from inside that thread's message loop, and holds every key
// press on the desktop until it answers. This thread does nothing but take
// messages, so the hook answers at once however long the window's thread
// is busy; a hook left waiting would be dropped by Windows and the
// hotkey lost for good.
class KeyboardHookThread {
public:
    // Starts the thread, which installs `procedure` (SetWindowsHookExA with
    // `module`, for every thread) on behalf of `window`. Returns once the
    // thread knows whether that succeeded; if it did not, the thread has
    // already ended and hook() is nullptr. `lockKeys` is for the procedure.
    KeyboardHookThread(HINSTANCE module, HOOKPROC procedure, HWND window, std::uint32_t lockKeys);
    // Asks the thread to end; it removes the hook before it returns.
    ~KeyboardHookThread();
    KeyboardHookThread(const KeyboardHookThread&) = delete;
    KeyboardHookThread& operator=(const KeyboardHookThread&) = delete;

    // The installed hook, or nullptr.
    HHOOK hook() const { return hook_; }

    // For the hook procedure, on the hook's thread: the window it works for.
    static HWND window();
    // The lock keys whose double tap it watches for (lock_keys bits).
    static std::uint32_t lockKeys();

private:
    HHOOK hook_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

}  // namespace pivora
