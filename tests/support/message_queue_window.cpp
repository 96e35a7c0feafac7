#include "message_queue_window.h"

#include <ios>

namespace pivora::test {

bool operator==(const DispatchedMessage& a, const DispatchedMessage& b) {
    return a.message == b.message && a.wParam == b.wParam && a.time == b.time;
}

std::ostream& operator<<(std::ostream& out, const DispatchedMessage& dispatched) {
    return out << "{0x" << std::hex << dispatched.message << std::dec << " " << dispatched.wParam << " at "
               << dispatched.time << "}";
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
    clock_.schedule(0, [this] { handOut(); });
    return result;
}

void MessageQueueWindow::recorded() { timedCalls_.push_back({clock_.now(), calls.back()}); }

void MessageQueueWindow::handOut() {
    if (handingOut_) return;
    handingOut_ = true;
    while (!posted_.empty()) {
        const QueuedMessage message = posted_.front();
        posted_.pop_front();
        dispatched_.push_back({message.message, message.wParam, clock_.now()});
        dispatcher(message);
    }
    handingOut_ = false;
}

MessageQueueWindow::Dispatcher dispatchTo(SwitchDialog& dialog) {
    return [&dialog](const QueuedMessage& message) {
        if (!dialog.filterMainWindowInput(message))
            dialog.onWindowMessage(message.message, message.wParam, message.lParam);
    };
}

}  // namespace pivora::test
