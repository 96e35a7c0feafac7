#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace pivora {

// The control's clock on Linux: CLOCK_MONOTONIC in milliseconds, cut to 32
// bits so that it wraps as the control expects of every clock, and sleeps
// that resume after a signal until their time is up.
class MonotonicClock : public Clock {
public:
    void sleep(std::uint32_t ms) override;
    std::uint32_t tickCount() override;
};

}  // namespace pivora
