#pragma once

#include <cstdint>

namespace pivora {

// The double tap of NumLock, ScrollLock or CapsLock that toggles every port:
// two presses of lock keys (any two of them) less than a second apart.
// Fed every keyboard event the low-level hook sees, on the hook's thread.
class LockKeyDoubleTap {
public:
    static constexpr std::uint32_t kNumLock = 0x90;
    static constexpr std::uint32_t kScrollLock = 0x91;
    static constexpr std::uint32_t kCapsLock = 0x14;
    static constexpr std::uint32_t kKeyReleased = 0x80;  // LLKHF_UP
    static constexpr std::uint32_t kWindowMs = 1000;

    // One event: its virtual key, its flags and its time stamp in
    // milliseconds. True when it completes a double tap; the pair is then
    // spent, so a third quick press starts a new one.
    bool onKeyEvent(std::uint32_t virtualKey, std::uint32_t flags, std::uint32_t time);
    // Which lock keys count (1 NumLock, 2 ScrollLock, 4 CapsLock); the others
    // are keys like any other. All three unless told.
    void arm(std::uint32_t lockKeys) { armed = lockKeys; }

private:
    // The time of the last press that may start a double tap; 0 for none.
    std::uint32_t lastLockKeyTime = 0;
    // The lock keys held down now, one bit each. A key held down repeats its
    // key-down events without key-ups; only the first of them is a press.
    std::uint32_t locksHeld = 0;
    std::uint32_t armed = 7;
};

}  // namespace pivora
