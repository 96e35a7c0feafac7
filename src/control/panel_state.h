#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "control/hub_kind.h"

namespace pivora {

// What an arrow button of a port's row shows.
enum class ArrowImage : std::uint8_t { Hidden, Dim, Lit, Pending };

// One port's row of the panel.
struct PortRowState {
    bool visible = false;  // its name box and frame
    std::string name;
    ArrowImage claim = ArrowImage::Hidden;
    ArrowImage release = ArrowImage::Hidden;

    bool operator==(const PortRowState& other) const {
        return visible == other.visible && name == other.name && claim == other.claim && release == other.release;
    }
};

// The last time this computer kept ports the other computer asked for: a
// port bit each, by why it stayed.
struct Refusal {
    std::uint32_t count = 0;    // how many such answers so far: each new one is told
    std::uint8_t inUse = 0;     // a device on it refused to be removed
    std::uint8_t printing = 0;  // a printer on it had jobs

    bool operator==(const Refusal& other) const {
        return count == other.count && inUse == other.inUse && printing == other.printing;
    }
};

// Everything the window shows of the switch, as the control last published
// it. A value: the window renders a copy and never reads the control itself.
struct PanelState {
    std::string firmwareVersion;
    std::string host;
    std::string switchType;
    // Which frames the rows sit in.
    HubKind layout = UnknownHub;
    // Indexed by port 0..3.
    std::array<PortRowState, 4> ports{};
    // How many times the busy notice was called for: each new one shows it.
    std::uint32_t busyNotices = 0;
    Refusal refusal;

    bool operator==(const PanelState& other) const {
        return firmwareVersion == other.firmwareVersion && host == other.host && switchType == other.switchType &&
               layout == other.layout && ports == other.ports && busyNotices == other.busyNotices &&
               refusal == other.refusal;
    }
};

}  // namespace pivora
