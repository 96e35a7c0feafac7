#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/switch_dialog.h"
#include "recording_window.h"
#include "sim/virtual_clock.h"

namespace pivora::test {

// A window call as recorded, with the virtual time it was made at.
struct TimedCall {
    std::uint64_t time;
    std::string line;
};

// A message as the queue handed it out, and when.
struct DispatchedMessage {
    std::uint32_t message;
    std::uintptr_t wParam;
    std::uint64_t time;
};
bool operator==(const DispatchedMessage& a, const DispatchedMessage& b);
std::ostream& operator<<(std::ostream& out, const DispatchedMessage& dispatched);

// What Windows gives the one window thread, in virtual time: posted messages
// in the order they were posted, and WM_TIMER made up only when a timer is
// due and nothing posted waits, at most one pending per timer, so ticks a
// slow handler slept through are delivered once. Every window call is still
// recorded in `calls`, and in timedCalls() with the time it was made.
class MessageQueueWindow : public RecordingWindow {
public:
    using Dispatcher = std::function<void(const QueuedMessage&)>;

    explicit MessageQueueWindow(sim::VirtualClock& clock) : clock_(clock) {}

    // Receives each message runUntil takes from the queue. Set once the
    // window's object exists, since that object is built over this window.
    Dispatcher dispatcher;

    // Hands out messages until virtual time `time`, each handler running to
    // its end before the next. Between messages the clock moves on to the
    // next moment something can happen: a timer due, a scheduled event (it
    // may post a message) or `time`. Returns once the clock is at or past
    // `time` with nothing due by then; what a handler left queued after
    // `time` stays for the next call.
    void runUntil(std::uint64_t time);

    const std::vector<DispatchedMessage>& dispatched() const { return dispatched_; }
    const std::vector<TimedCall>& timedCalls() const { return timedCalls_; }
    // The times at which the call recorded as `line` was made, in order.
    std::vector<std::uint64_t> timesOf(const std::string& line) const;

    // The queue's own calls.
    int postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    // Creates the timer, or restarts one with the same id: first due a period from now.
    std::uintptr_t setTimer(OsHandle window, std::uintptr_t id, std::uint32_t periodMs) override;
    // Also drops the timer's tick if one is due and not yet delivered.
    int killTimer(OsHandle window, std::uintptr_t id) override;

protected:
    // Moves the clock on to `time`, the next moment something can happen
    // here. Where other window threads share the clock, they may run
    // meanwhile and post to this window, which then wakes at once.
    virtual void waitUntil(std::uint64_t time) { clock_.runUntil(time); }
    bool messagePosted() const { return !posted_.empty(); }

private:
    struct Timer {
        OsHandle window;
        std::uint64_t periodMs;
        std::uint64_t due;  // on the grid start + k * period; due and undelivered once it is <= now
    };

    // Every call is stamped with the time it was made.
    void recorded() override;

    // The due timer whose tick fell due first, ties to the lower id, or end().
    std::map<std::uintptr_t, Timer>::iterator dueTimer();
    void dispatch(const QueuedMessage& message);

    sim::VirtualClock& clock_;
    std::deque<QueuedMessage> posted_;
    std::map<std::uintptr_t, Timer> timers_;
    std::vector<DispatchedMessage> dispatched_;
    std::vector<TimedCall> timedCalls_;
};

// Runs each message as the program's message loop does: the main window's
// pre-dispatch filter, then, unless that consumed it, the window procedure.
MessageQueueWindow::Dispatcher dispatchTo(SwitchDialog& dialog);

}  // namespace pivora::test
