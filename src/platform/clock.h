#pragma once

#include <cstdint>

namespace pivora {

// Time as the control's thread sees it: the only way Pivora waits is by sleeping
// on this thread, and the only way it measures time is the millisecond tick.
class Clock {
public:
    virtual ~Clock() = default;

    // Sleep(ms). Blocks the calling thread for about `ms` milliseconds. In the
    // simulated platform, time advances and every event that falls due runs.
    virtual void sleep(std::uint32_t ms) = 0;

    // GetTickCount(): milliseconds since an arbitrary start, 32 bits, wraps
    // after about 49.7 days. Callers compare ticks by unsigned difference only.
    virtual std::uint32_t tickCount() = 0;
};

}  // namespace pivora
