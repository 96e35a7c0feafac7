#include "ui/port_summary.h"

namespace pivora {

namespace {
constexpr int kPorts = 4;
}  // namespace

int controlPortOf(int number) { return number >= 1 && number <= kPorts ? kPorts - number : -1; }

int userNumberOf(int controlPort) { return controlPort >= 0 && controlPort < kPorts ? kPorts - controlPort : -1; }

SwitchSummary summarize(const PanelState& panel) {
    SwitchSummary summary;
    if (panel.layout == UnknownHub) return summary;
    for (int number = 1; number <= kPorts; ++number) {
        const PortRowState& row = panel.ports.at(static_cast<std::size_t>(controlPortOf(number)));
        // A row without arrows has no owner yet: the status has not come.
        if (!row.visible || row.claim == ArrowImage::Hidden) continue;
        PortSummary port;
        port.number = number;
        port.device = row.name;
        port.pending = row.claim == ArrowImage::Pending || row.release == ArrowImage::Pending;
        // The lit arrow stands on the side of the computer that holds the
        // port; a pending move replaces the other, dim, arrow.
        port.here = row.claim == ArrowImage::Lit;
        summary.ports.push_back(port);
    }
    summary.connected = !summary.ports.empty();
    return summary;
}

}  // namespace pivora
