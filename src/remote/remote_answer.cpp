#include "remote/remote_answer.h"

#include <algorithm>
#include <string>
#include <utility>

#include "remote/utf8_text.h"

namespace pivora {

namespace {

// At most kAnswerNameLimit bytes, not cutting a character in two.
std::string boundedName(const std::string& name) {
    if (name.size() <= kAnswerNameLimit) return name;
    std::size_t end = kAnswerNameLimit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

std::string ownerText(const PortSummary& port) {
    if (port.pending) return port.here ? "here, moving to the other computer" : "on the other computer, moving here";
    return port.here ? "here" : "on the other computer";
}

std::string statusText(const SwitchSummary& summary) {
    if (!summary.connected) return "No switch connected.\n";
    std::string text = "Switch connected.\n";
    for (const PortSummary& port : summary.ports) {
        text += "Port " + std::to_string(port.number) + ", " + ownerText(port) + ": ";
        if (port.device.empty()) {
            text += "(no device)";
        } else {
            appendPrintable(text, boundedName(port.device));
        }
        text += '\n';
    }
    return text;
}

// {"connected":true,"ports":[{"port":1,"device":"...","owner":"here","pending":false},...]}
std::string statusJson(const SwitchSummary& summary) {
    std::string json = summary.connected ? "{\"connected\":true,\"ports\":[" : "{\"connected\":false,\"ports\":[";
    const char* separator = "";
    for (const PortSummary& port : summary.ports) {
        json += separator;
        separator = ",";
        json += "{\"port\":" + std::to_string(port.number) + ",\"device\":";
        appendJsonString(json, boundedName(port.device));
        json += port.here ? ",\"owner\":\"here\"" : ",\"owner\":\"other\"";
        json += port.pending ? ",\"pending\":true}" : ",\"pending\":false}";
    }
    json += "]}\n";
    return json;
}

RemoteDecision refused(std::string text) { return RemoteDecision{{exit_status::kRefused, std::move(text)}, {}}; }

RemoteDecision started(std::string text, Command command) {
    return RemoteDecision{{exit_status::kDone, std::move(text)}, command};
}

RemoteDecision decideToggle(const SwitchSummary& summary) {
    const auto& ports = summary.ports;
    if (std::any_of(ports.begin(), ports.end(), [](const PortSummary& port) { return port.pending; }))
        return refused("A port is moving already.\n");
    // As the double tap: whatever is over there comes here; only when all
    // is here does it all go.
    const bool allHere = std::all_of(ports.begin(), ports.end(), [](const PortSummary& port) { return port.here; });
    return started(allHere ? "Every port: moving to the other computer.\n" : "Every port: moving here.\n",
                   Command{Command::ToggleAll});
}

RemoteDecision decideMove(const RemoteRequest& request, const SwitchSummary& summary) {
    const std::string port = "Port " + std::to_string(request.port);
    const auto found = std::find_if(summary.ports.begin(), summary.ports.end(),
                                    [&request](const PortSummary& shown) { return shown.number == request.port; });
    if (found == summary.ports.end()) return refused("This switch has no port " + std::to_string(request.port) + ".\n");
    if (found->pending) return refused(port + " is moving already.\n");
    const bool claims = request.verb == RemoteRequest::Claim;
    if (claims && found->here) return refused(port + " is here already.\n");
    if (!claims && !found->here) return refused(port + " is on the other computer already.\n");
    return started(port + (claims ? ": moving here.\n" : ": moving to the other computer.\n"),
                   Command{claims ? Command::Claim : Command::Release, controlPortOf(request.port)});
}

}  // namespace

RemoteDecision decide(const RemoteRequest& request, const SwitchSummary& summary) {
    if (request.verb == RemoteRequest::Status) {
        return RemoteDecision{{exit_status::kDone, request.json ? statusJson(summary) : statusText(summary)}, {}};
    }
    if (!summary.connected) return refused("No switch connected.\n");
    if (request.verb == RemoteRequest::Toggle) return decideToggle(summary);
    return decideMove(request, summary);
}

}  // namespace pivora
