#include "message_queue_window.h"

#include <algorithm>
#include <ios>

namespace pivora::test {

namespace {
// Windows raises shorter periods to USER_TIMER_MINIMUM; a zero period would
// also leave the queue forever due.
constexpr std::uint64_t kMinimumPeriodMs = 10;
}  // namespace

bool operator==(const DispatchedMessage& a, const DispatchedMessage& b) {
    return a.message == b.message && a.wParam == b.wParam && a.time == b.time;
}

std::ostream& operator<<(std::ostream& out, const DispatchedMessage& dispatched) {
    return out << "{0x" << std::hex << dispatched.message << std::dec << " " << dispatched.wParam << " at "
               << dispatched.time << "}";
}

void MessageQueueWindow::runUntil(std::uint64_t time) {
    for (;;) {
        // Events scheduled for this very moment happen before the queue is looked at.
        clock_.runDue();
        const std::uint64_t now = clock_.now();
        if (now > time) return;

        if (!posted_.empty()) {
            const QueuedMessage message = posted_.front();
            posted_.pop_front();
            dispatch(message);
            continue;
        }
        const auto timer = dueTimer();
        if (timer != timers_.end()) {
            // The ticks that passed meanwhile fold into this one; the next
            // stays on the timer's grid.
            Timer& due = timer->second;
            due.due += due.periodMs * ((now - due.due) / due.periodMs + 1);
            dispatch({due.window, win::kWmTimer, timer->first, 0, cursorX, cursorY});
            continue;
        }
        if (now == time) return;

        std::uint64_t next = time;
        if (const auto event = clock_.nextEventTime()) next = std::min(next, *event);
        for (const auto& entry : timers_) next = std::min(next, entry.second.due);
        waitUntil(next);
    }
}

std::vector<std::uint64_t> MessageQueueWindow::timesOf(const std::string& line) const {
    std::vector<std::uint64_t> times;
    for (const auto& call : timedCalls_)
        if (call.line == line) times.push_back(call.time);
    return times;
}

int MessageQueueWindow::postMessage(OsHandle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    const int result = RecordingWindow::postMessage(window, message, wParam, lParam);
    posted_.push_back({window, message, wParam, lParam, cursorX, cursorY});
    return result;
}

std::uintptr_t MessageQueueWindow::setTimer(OsHandle window, std::uintptr_t id, std::uint32_t periodMs) {
    const std::uintptr_t result = RecordingWindow::setTimer(window, id, periodMs);
    const std::uint64_t period = std::max<std::uint64_t>(periodMs, kMinimumPeriodMs);
    timers_.insert_or_assign(id, Timer{window, period, clock_.now() + period});
    return result;
}

int MessageQueueWindow::killTimer(OsHandle window, std::uintptr_t id) {
    const int result = RecordingWindow::killTimer(window, id);
    timers_.erase(id);
    return result;
}

void MessageQueueWindow::recorded() { timedCalls_.push_back({clock_.now(), calls.back()}); }

std::map<std::uintptr_t, MessageQueueWindow::Timer>::iterator MessageQueueWindow::dueTimer() {
    auto soonest = timers_.end();
    for (auto timer = timers_.begin(); timer != timers_.end(); ++timer) {
        // Ids ascend, so only a strictly earlier due time displaces the one found.
        if (timer->second.due > clock_.now()) continue;
        if (soonest == timers_.end() || timer->second.due < soonest->second.due) soonest = timer;
    }
    return soonest;
}

void MessageQueueWindow::dispatch(const QueuedMessage& message) {
    dispatched_.push_back({message.message, message.wParam, clock_.now()});
    dispatcher(message);
}

MessageQueueWindow::Dispatcher dispatchTo(SwitchDialog& dialog) {
    return [&dialog](const QueuedMessage& message) {
        if (!dialog.filterMainWindowInput(message))
            dialog.onWindowMessage(message.message, message.wParam, message.lParam);
    };
}

}  // namespace pivora::test
