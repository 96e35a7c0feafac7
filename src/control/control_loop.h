#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

#include "control/control_command.h"

namespace pivora {

// The control's queue, with the rules a window's message queue has: commands
// are handled in the order they came, each to its end before the next; a
// timer's tick is made up only when it is due and no command waits, at most
// one pending per timer, so ticks a slow command slept through are handled
// once and the next stays on the timer's grid. Whoever runs the loop (the
// control's thread, or a test in virtual time) says what time it is; only
// post() may be called from another thread.
class ControlLoop {
public:
    static constexpr std::uint64_t kTickPeriodMs = 1000;
    static constexpr std::uint64_t kPrinterPeriodMs = 5000;

    // `handle` runs each command and tick to its end (SwitchControl::handle).
    explicit ControlLoop(std::function<void(const Command&)> handle) : handle_(std::move(handle)) {}
    ControlLoop(const ControlLoop&) = delete;
    ControlLoop& operator=(const ControlLoop&) = delete;

    // Queues `command` behind those waiting; returns its number, counted from 1.
    std::uint64_t post(const Command& command);
    // Starts the loop: both timers first fall due a period after `now`.
    void startTimers(std::uint64_t now);
    bool started() const { return started_; }
    // Handles the first waiting command, else the tick of the timer that
    // fell due first (ties to timer 0); false when nothing is due at `now`,
    // before the start and after Stop.
    bool runNext(std::uint64_t now);
    // When the earlier timer falls due next; only after startTimers().
    std::uint64_t nextTimerDue() const;
    bool commandWaiting() const;
    // The number of the last command handled.
    std::uint64_t handledThrough() const;
    // Stop has been handled: nothing more runs.
    bool stopped() const { return stopped_; }

private:
    std::function<void(const Command&)> handle_;
    mutable std::mutex mutex_;
    std::deque<Command> commands_;
    std::uint64_t posted_ = 0;
    std::uint64_t handled_ = 0;
    bool started_ = false;
    bool stopped_ = false;
    // On the grid start + k * period; due and unhandled once it is <= now.
    std::array<std::uint64_t, 2> due_{};
};

}  // namespace pivora
