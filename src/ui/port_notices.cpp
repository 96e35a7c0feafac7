#include "ui/port_notices.h"

#include <vector>

#include "ui/port_summary.h"

namespace pivora {

namespace {

std::string numbered(int number) { return "Port " + std::to_string(number); }

// "Port 2 (SanDisk Cruzer)", or just "Port 2" when nothing is known on it.
std::string portWithDevice(int number, const std::string& device) {
    return device.empty() ? numbered(number) : numbered(number) + " (" + device + ")";
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

std::optional<Balloon> PortNotices::next(const PanelState& panel) {
    std::optional<Balloon> moved = moves(panel);
    std::optional<Balloon> stayed = refusals(panel);
    // A refusal says more than the ports that did move with it.
    return stayed.has_value() ? stayed : moved;
}

std::optional<Balloon> PortNotices::moves(const PanelState& panel) {
    const SwitchSummary summary = summarize(panel);
    if (!summary.connected) {
        owners_.fill(Unknown);
        return std::nullopt;
    }
    struct Move {
        int number;
        std::string device;
        bool here;
    };
    std::vector<Move> moved;
    std::array<Owner, 4> seen{Unknown, Unknown, Unknown, Unknown};
    for (const PortSummary& port : summary.ports) {
        const auto index = static_cast<std::size_t>(port.number - 1);
        const Owner now = port.here ? Here : There;
        // A port on its way keeps its last owner until it is there.
        seen.at(index) = port.pending ? owners_.at(index) : now;
        if (!port.pending && owners_.at(index) != Unknown && owners_.at(index) != now)
            moved.push_back({port.number, port.device, port.here});
    }
    owners_ = seen;
    if (moved.empty()) return std::nullopt;

    Balloon balloon;
    if (moved.size() == 1) {
        const Move& move = moved.front();
        balloon.title = numbered(move.number) + (move.here ? " came to this computer" : " went to the other computer");
        balloon.text = move.device.empty() ? "Nothing is plugged into it." : move.device;
        return balloon;
    }
    balloon.title = "Ports moved";
    std::vector<std::string> lines;
    for (const Move& move : moved)
        lines.push_back(portWithDevice(move.number, move.device) + (move.here ? ": here" : ": on the other computer"));
    balloon.text = joinLines(lines);
    return balloon;
}

std::optional<Balloon> PortNotices::refusals(const PanelState& panel) {
    const Refusal& refusal = panel.refusal;
    // The first panel drawn tells nothing that happened before it.
    const bool news = started_ && refusal.count != refusalsTold_;
    started_ = true;
    refusalsTold_ = refusal.count;
    if (!news) return std::nullopt;

    std::vector<std::string> lines;
    int stayed = 0;
    int only = 0;
    // In the user's order: port 1 is the control's port 3.
    for (int port = 3; port >= 0; --port) {
        const auto bit = static_cast<std::uint8_t>(1u << port);
        const bool inUse = (refusal.inUse & bit) != 0;
        const bool printing = (refusal.printing & bit) != 0;
        if (!inUse && !printing) continue;
        ++stayed;
        only = userNumberOf(port);
        const std::string& device = panel.ports.at(static_cast<std::size_t>(port)).name;
        lines.push_back(portWithDevice(only, device) +
                        (inUse ? ": the device is in use. Close what uses it, then move the port again."
                               : ": the printer is printing. Move the port once it is done."));
    }
    if (stayed == 0) return std::nullopt;
    Balloon balloon;
    balloon.kind = Balloon::Warning;
    balloon.title = stayed == 1 ? numbered(only) + " stayed on this computer" : "Ports stayed on this computer";
    balloon.text = joinLines(lines);
    return balloon;
}

}  // namespace pivora
