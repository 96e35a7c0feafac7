#pragma once

#include <cstdint>
#include <functional>

#include "control/control_command.h"
#include "control/panel_state.h"

namespace pivora {

// The window's side of the control: it hands commands over and reads the
// panel the control last published. Nothing here waits on the control but
// postAndWait, and that for a bounded time.
class ControlPort {
public:
    virtual ~ControlPort() = default;

    // Starts the control's loop, its timers from now. `panelChanged` is
    // called, from the control's thread, each time a new panel is published.
    virtual void start(std::function<void()> panelChanged) = 0;
    virtual void post(const Command& command) = 0;
    // Posts `command` and waits until the control has handled it, at most
    // `timeoutMs`; false when the time ran out first.
    virtual bool postAndWait(const Command& command, std::uint32_t timeoutMs) = 0;
    // The panel as last published.
    virtual PanelState panel() const = 0;
    // Ends the loop with Stop, after what waits before it, and waits for
    // that: nothing of the control runs afterwards. Nothing when not started.
    virtual void stop() = 0;
};

}  // namespace pivora
