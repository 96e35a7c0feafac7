#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "control/control_loop.h"
#include "control/control_port.h"
#include "control/switch_control.h"
#include "sim/virtual_clock.h"

namespace pivora::test {

// A command or tick as the loop handled it, and when.
struct HandledCommand {
    Command command;
    std::uint64_t time;
};

// The product's ControlLoop run on the test's thread in virtual time. The
// window's messages are clock events (see MessageQueueWindow), so they are
// handled while a command sleeps, as the window thread handles them while
// the control's thread waits.
class VirtualLoop {
public:
    VirtualLoop(sim::VirtualClock& clock, std::function<void(const Command&)> handle);
    virtual ~VirtualLoop() = default;
    VirtualLoop(const VirtualLoop&) = delete;
    VirtualLoop& operator=(const VirtualLoop&) = delete;

    // Both timers run from now on; commands run only from then on.
    void startLoop();
    std::uint64_t postCommand(const Command& command) { return loop_.post(command); }
    // Handles commands and ticks until virtual time `time`, each to its end
    // before the next; between them the clock moves on to the next moment
    // something can happen (a tick due, a scheduled event, `time`). Returns
    // once the clock is at or past `time` with nothing due by then.
    void runUntil(std::uint64_t time);

    const std::vector<HandledCommand>& handled() const { return handled_; }
    // Called after each command or tick has been handled.
    std::function<void()> afterEach;

protected:
    // Runs the loop until command `number` is handled, at most `timeoutMs`.
    // Called while a command runs (a window message handled in its sleep),
    // it cannot wait on that command's thread and returns false at once.
    bool runUntilHandled(std::uint64_t number, std::uint32_t timeoutMs);
    // Runs what waits, then Stop; nothing when the loop never started.
    void runToStop();
    // Moves the clock on to `time`, the next moment something can happen
    // here. Where other computers share the clock, they may run meanwhile
    // and post to this one, which then wakes at once.
    virtual void waitUntil(std::uint64_t time) { clock_.runUntil(time); }
    bool commandWaiting() const { return loop_.commandWaiting(); }

    sim::VirtualClock& clock_;

private:
    bool runNext();

    ControlLoop loop_;
    bool running_ = false;
    std::vector<HandledCommand> handled_;
};

// A panel as the control published it, and when.
struct PublishedPanel {
    PanelState panel;
    std::uint64_t time;
};

// The switch's control behind the window's port, on a VirtualLoop.
class VirtualControl : public VirtualLoop, public ControlPort {
public:
    VirtualControl(sim::VirtualClock& clock, Platform& platform);
    VirtualControl(sim::VirtualClock& clock, HostSystem& host);

    SwitchControl control;

    const std::vector<PublishedPanel>& published() const { return published_; }

    void start(std::function<void()> panelChanged) override;
    void post(const Command& command) override { postCommand(command); }
    bool postAndWait(const Command& command, std::uint32_t timeoutMs) override {
        return runUntilHandled(postCommand(command), timeoutMs);
    }
    PanelState panel() const override;
    void stop() override { runToStop(); }

private:
    void published(const PanelState& panel);

    std::function<void()> panelChanged_;
    std::vector<PublishedPanel> published_;
};

}  // namespace pivora::test
