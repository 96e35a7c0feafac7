#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "control/panel_state.h"

namespace pivora {

// A tray balloon: a title and a few lines.
struct Balloon {
    enum Kind : std::uint8_t { Info, Warning };
    Kind kind = Info;
    std::string title;
    std::string text;
};

// Watches the panels the window draws and says what the user should hear
// of: ports that arrived or left, and asked-for ports that stayed here, with
// why. Ports seen for the first time, after a start or a reconnection, are
// no news.
class PortNotices {
public:
    // The balloon the step from the last panel to `panel` calls for, if any.
    std::optional<Balloon> next(const PanelState& panel);

private:
    enum Owner : std::int8_t { Unknown = -1, There = 0, Here = 1 };
    std::optional<Balloon> moves(const PanelState& panel);
    std::optional<Balloon> refusals(const PanelState& panel);

    std::array<Owner, 4> owners_{Unknown, Unknown, Unknown, Unknown};  // by the user's port number - 1
    std::uint32_t refusalsTold_ = 0;
    bool started_ = false;
};

}  // namespace pivora
