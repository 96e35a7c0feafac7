#include "control/lock_key_tap.h"

namespace pivora {

namespace {
// Each lock key's bit among those held down; 0 for any other key.
std::uint32_t lockBit(std::uint32_t virtualKey) {
    switch (virtualKey) {
        case LockKeyDoubleTap::kNumLock:
            return 1;
        case LockKeyDoubleTap::kScrollLock:
            return 2;
        case LockKeyDoubleTap::kCapsLock:
            return 4;
        default:
            return 0;
    }
}
}  // namespace

bool LockKeyDoubleTap::onKeyEvent(std::uint32_t virtualKey, std::uint32_t flags, std::uint32_t time) {
    const std::uint32_t lock = lockBit(virtualKey) & armed;
    if ((flags & kKeyReleased) != 0) {
        locksHeld &= ~lock;
        return false;
    }
    // Auto-repeat of a held lock key: neither a press nor another key, so
    // holding a key for any time is one press at most.
    if ((locksHeld & lock) != 0) return false;
    locksHeld |= lock;
    // Any other key between two lock-key presses cancels the pair.
    std::uint32_t pressed = lock != 0 ? time : 0;
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
