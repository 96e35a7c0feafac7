#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "platform/clock.h"

namespace pivora::sim {

// Simulated time for the control's thread. sleep() advances time and runs,
// in time order, every event that falls due meanwhile (a write completing, a
// reply arriving); events due at the same moment run in the order they were
// scheduled. A full claim or registry load thus runs in milliseconds of real
// time while tests check its waits to the millisecond.
class VirtualClock : public Clock {
public:
    using Event = std::function<void()>;

    // `startTick` is what tickCount() reads at time 0, so tests can put the
    // 32-bit wrap wherever they need it.
    explicit VirtualClock(std::uint32_t startTick = 0) : startTick_(startTick) {}

    void sleep(std::uint32_t ms) override { runUntil(now_ + ms); }
    std::uint32_t tickCount() override { return static_cast<std::uint32_t>(startTick_ + now_); }

    // Milliseconds since time 0, without wrap.
    std::uint64_t now() const { return now_; }

    // Runs `event` at now() + delayMs. An event may schedule further events;
    // those that fall due within the current sleep run in it too.
    void schedule(std::uint64_t delayMs, Event event);

    // Advances to `time` (never backwards), running every event due by then.
    void runUntil(std::uint64_t time);

    // Runs the events due now without advancing.
    void runDue() { runUntil(now_); }

    std::size_t pendingEvents() const { return events_.size(); }

    // When the earliest scheduled event falls due, if any is scheduled: the
    // window's queue advances no further than that before looking again.
    std::optional<std::uint64_t> nextEventTime() const {
        if (events_.empty()) return std::nullopt;
        return events_.begin()->first.first;
    }

private:
    std::uint32_t startTick_;
    std::uint64_t now_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<std::pair<std::uint64_t, std::uint64_t>, Event> events_;
};

}  // namespace pivora::sim
