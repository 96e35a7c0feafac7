#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "control/control_loop.h"
#include "control/control_port.h"
#include "control/switch_control.h"

namespace pivora {

// The control on a thread of its own, in real time: the window posts and
// never waits (but for postAndWait's bound), the control waits as long as
// the switch needs.
class ControlThread : public ControlPort {
public:
    // The control of the computer `host`, or over the Windows-shaped seams
    // of `platform`.
    explicit ControlThread(HostSystem& host);
    explicit ControlThread(Platform& platform);
    ~ControlThread() override;
    ControlThread(const ControlThread&) = delete;
    ControlThread& operator=(const ControlThread&) = delete;

    void start(std::function<void()> panelChanged) override;
    void post(const Command& command) override;
    bool postAndWait(const Command& command, std::uint32_t timeoutMs) override;
    PanelState panel() const override;
    void stop() override;

private:
    // What post() and stop() do; the destructor calls them too.
    void enqueue(const Command& command);
    void end();
    void run();
    void published(const PanelState& panel);
    static std::uint64_t nowMs();

    ControlLoop loop_;
    SwitchControl control_;
    std::function<void()> panelChanged_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;     // a command was posted
    std::condition_variable handled_;  // a command was handled
    PanelState panel_;
    std::thread thread_;  // last: started once everything it uses exists
};

}  // namespace pivora
