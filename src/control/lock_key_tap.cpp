#include "control/lock_key_tap.h"

namespace pivora {

bool LockKeyDoubleTap::onKeyEvent(std::uint32_t virtualKey, std::uint32_t flags, std::uint32_t time) {
    if ((flags & kKeyReleased) != 0) return false;
    // Any other key between two lock-key presses cancels the pair.
    std::uint32_t pressed = (virtualKey == kNumLock || virtualKey == kScrollLock || virtualKey == kCapsLock) ? time : 0;
    bool tapped = false;
    // Unsigned difference: right across the wrap of the 32-bit tick count.
    if (pressed != 0 && pressed - lastLockKeyTime < kWindowMs) {
        tapped = true;
        pressed = 0;
    }
    lastLockKeyTime = pressed;
    return tapped;
}

}  // namespace pivora
