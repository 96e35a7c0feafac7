#include "app/lock_key_hook.h"

#include "control/lock_key_tap.h"
#include "platform/win32/win32_keyboard_hook.h"
#include "platform/window_api.h"

namespace pivora {

static_assert(LockKeyDoubleTap::kNumLock == VK_NUMLOCK);
static_assert(LockKeyDoubleTap::kScrollLock == VK_SCROLL);
static_assert(LockKeyDoubleTap::kCapsLock == VK_CAPITAL);
static_assert(LockKeyDoubleTap::kKeyReleased == LLKHF_UP);

namespace {

// lastLockKeyTime: one per process, touched only by the hook's thread (a
// hook installed later runs on a new thread once the old one has ended).
LockKeyDoubleTap doubleTap;

}  // namespace

LRESULT CALLBACK lockKeyHook(int code, WPARAM message, LPARAM event) {
    if (code == HC_ACTION) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
        doubleTap.arm(KeyboardHookThread::lockKeys());
        if (doubleTap.onKeyEvent(key.vkCode, key.flags, key.time)) {
            PostMessageA(KeyboardHookThread::window(), win::kWmSwitchHotkey, 0, 0);
        }
    }
    return CallNextHookEx(nullptr, code, message, event);
}

}  // namespace pivora
