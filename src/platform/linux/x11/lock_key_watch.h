#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "control/lock_key_tap.h"

namespace pivora {

// The double tap of lock keys on X11: XInput 2's raw key events, which X
// gives any client of the display without a grab or any privilege, read on
// a connection of the watch's own from the default GLib main context. Only
// while armed does it ask X for keys at all.
class LockKeyWatch {
public:
    // `doubleTapped` runs on the default main context's thread.
    explicit LockKeyWatch(std::function<void()> doubleTapped);
    ~LockKeyWatch();
    LockKeyWatch(const LockKeyWatch&) = delete;
    LockKeyWatch& operator=(const LockKeyWatch&) = delete;

    // Connects to `displayName` (null: $DISPLAY). False where it cannot
    // watch: no X server there, or one without XInput 2.
    bool start(const char* displayName);
    // Which lock keys count (lock_keys bits); 0 watches no key at all.
    void arm(std::uint32_t lockKeys);

private:
    // The display connection and the main-context sources reading it; Xlib
    // stays out of this header, whose macros (None, Status) would clash.
    struct Connection;

    void selectRawKeys();
    void readEvents();

    std::function<void()> doubleTapped_;
    std::unique_ptr<Connection> connection_;
    std::uint32_t armed_ = 0;
    LockKeyDoubleTap tap_;
};

}  // namespace pivora
