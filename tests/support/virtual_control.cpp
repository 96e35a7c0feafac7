#include "virtual_control.h"

#include <algorithm>
#include <utility>

namespace pivora::test {

VirtualLoop::VirtualLoop(sim::VirtualClock& clock, std::function<void(const Command&)> handle)
    : clock_(clock), loop_([this, handle = std::move(handle)](const Command& command) {
          handled_.push_back({command, clock_.now()});
          handle(command);
      }) {}

void VirtualLoop::startLoop() {
    if (loop_.started()) return;
    loop_.startTimers(clock_.now());
}

void VirtualLoop::runUntil(std::uint64_t time) {
    for (;;) {
        // Events scheduled for this very moment happen before the loop looks.
        clock_.runDue();
        if (clock_.now() > time) return;
        if (runNext()) continue;
        if (clock_.now() == time) return;

        std::uint64_t next = time;
        if (const auto event = clock_.nextEventTime()) next = std::min(next, *event);
        if (loop_.started() && !loop_.stopped()) next = std::min(next, loop_.nextTimerDue());
        waitUntil(next);
    }
}

bool VirtualLoop::runUntilHandled(std::uint64_t number, std::uint32_t timeoutMs) {
    if (!loop_.started() || running_) return false;
    const std::uint64_t until = clock_.now() + timeoutMs;
    while (loop_.handledThrough() < number && clock_.now() <= until) {
        clock_.runDue();
        if (runNext()) continue;
        std::uint64_t next = std::min(until + 1, loop_.nextTimerDue());
        if (const auto event = clock_.nextEventTime()) next = std::min(next, *event);
        waitUntil(std::max(next, clock_.now() + 1));
    }
    return loop_.handledThrough() >= number;
}

void VirtualLoop::runToStop() {
    if (!loop_.started() || loop_.stopped()) return;
    const std::uint64_t number = loop_.post(Command{Command::Stop});
    while (loop_.handledThrough() < number) {
        clock_.runDue();
        if (!runNext()) waitUntil(clock_.now() + 1);
    }
}

bool VirtualLoop::runNext() {
    if (running_) return false;
    running_ = true;
    const bool ran = loop_.runNext(clock_.now());
    running_ = false;
    if (ran && afterEach) afterEach();
    return ran;
}

VirtualControl::VirtualControl(sim::VirtualClock& clock, Platform& platform)
    : VirtualLoop(clock, [this](const Command& command) { control.handle(command); }),
      control(
          platform, [this](const PanelState& panel) { published(panel); },
          [this](const Command& command) { postCommand(command); }) {}

VirtualControl::VirtualControl(sim::VirtualClock& clock, HostSystem& host)
    : VirtualLoop(clock, [this](const Command& command) { control.handle(command); }),
      control(
          host, [this](const PanelState& panel) { published(panel); },
          [this](const Command& command) { postCommand(command); }) {}

void VirtualControl::published(const PanelState& panel) {
    published_.push_back({panel, clock_.now()});
    if (panelChanged_) panelChanged_();
}

void VirtualControl::start(std::function<void()> panelChanged) {
    panelChanged_ = std::move(panelChanged);
    startLoop();
}

PanelState VirtualControl::panel() const { return published_.empty() ? PanelState{} : published_.back().panel; }

}  // namespace pivora::test
