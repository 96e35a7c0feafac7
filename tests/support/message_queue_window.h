#pragma once

#include <cstdint>
#include <deque>
#include <functional>
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

// The window thread in virtual time. Its handlers never wait on the
// control, so a posted message is handed out at the moment it was posted,
// as a clock event: also while a command of the control sleeps. Messages go
// out in the order they were posted, each handler running to its end before
// the next. Every window call is still recorded in `calls`, and in
// timedCalls() with the time it was made.
class MessageQueueWindow : public RecordingWindow {
public:
    using Dispatcher = std::function<void(const QueuedMessage&)>;

    explicit MessageQueueWindow(sim::VirtualClock& clock) : clock_(clock) {}

    // Receives each message the queue hands out. Set once the window's
    // object exists, since that object is built over this window.
    Dispatcher dispatcher;

    const std::vector<DispatchedMessage>& dispatched() const { return dispatched_; }
    const std::vector<TimedCall>& timedCalls() const { return timedCalls_; }
    // The times at which the call recorded as `line` was made, in order.
    std::vector<std::uint64_t> timesOf(const std::string& line) const;

    int postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    // Every call is stamped with the time it was made.
    void recorded() override;
    // Hands out what waits; a message posted by a handler waits its turn.
    void handOut();

    sim::VirtualClock& clock_;
    std::deque<QueuedMessage> posted_;
    bool handingOut_ = false;
    std::vector<DispatchedMessage> dispatched_;
    std::vector<TimedCall> timedCalls_;
};

// Runs each message as the program's message loop does: the main window's
// pre-dispatch filter, then, unless that consumed it, the window procedure.
MessageQueueWindow::Dispatcher dispatchTo(SwitchDialog& dialog);

}  // namespace pivora::test
