#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/clock.h"
#include "sim/virtual_clock.h"

namespace pivora::test {

// The simulated switch in real time: on every look at the clock, from the
// control's thread alone, the switch's time catches up with the wall's, and
// whatever fell due meanwhile (a reply, the other computer's answer) happens.
class WallClock : public Clock {
public:
    explicit WallClock(sim::VirtualClock& time) : time_(time), virtualStart_(time.tickCount()) {}

    void sleep(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        catchUp();
    }
    std::uint32_t tickCount() override {
        catchUp();
        return time_.tickCount();
    }

private:
    void catchUp() {
        const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                 wallStart_);
        const std::uint32_t behind = static_cast<std::uint32_t>(wall.count()) - (time_.tickCount() - virtualStart_);
        if (behind > 0 && behind < 0x80000000u) time_.sleep(behind);
    }

    sim::VirtualClock& time_;
    const std::uint32_t virtualStart_;
    const std::chrono::steady_clock::time_point wallStart_ = std::chrono::steady_clock::now();
};

}  // namespace pivora::test
