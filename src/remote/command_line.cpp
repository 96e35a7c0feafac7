#include "remote/command_line.h"

namespace pivora {

namespace {

const char* const kRequestsUsage =
    "       pivora status [--json]\n"
    "       pivora claim <port>\n"
    "       pivora release <port>\n"
    "       pivora toggle\n"
    "\n"
    "A command goes to the Pivora running in this session, ports numbered 1\n"
    "to 4 as on its arrows:\n"
    "  status          each port's device and owner, and whether a switch is connected\n"
    "  status --json   the same as one JSON object\n"
    "  claim <port>    brings the port to this computer\n"
    "  release <port>  gives the port to the other computer\n"
    "  toggle          brings every port here or, when all are here, gives them all away\n"
    "A move is started, not waited for.\n"
    "Exit status: 0 done, 2 bad usage, 3 Pivora not running, 4 refused (no switch\n"
    "connected, the port is moving, nothing to move, no such port).\n";

// "1" to "4" and nothing else: no sign, no leading zero, no spaces.
int portNumber(const std::string& word) {
    return word.size() == 1 && word[0] >= '1' && word[0] <= '4' ? word[0] - '0' : 0;
}

}  // namespace

const char* const kWindowsStartUsage =
    "usage: pivora [--log]\n"
    "With no command Pivora starts in the notification area; --log also\n"
    "keeps its diagnostic log.\n";

std::string usageText(const char* startUsage) {
    // The start's first line, the requests' lines, then the start's words.
    const std::string start = startUsage;
    const std::size_t firstLineEnd = start.find('\n') + 1;
    return start.substr(0, firstLineEnd) + kRequestsUsage + "\n" + start.substr(firstLineEnd);
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    const std::size_t count = arguments.size();
    if (count == 0 || (count == 1 && arguments[0] == "--log")) {
        CommandLine line;
        line.action = CommandLine::StartTray;
        line.start.log = count == 1;
        return line;
    }
    CommandLine line;
    if (const std::optional<RemoteRequest> asked = parseRequest(arguments)) {
        line.action = CommandLine::SendRequest;
        line.request = *asked;
    }
    return line;
}

std::optional<RemoteRequest> parseRequest(const std::vector<std::string>& arguments) {
    const std::size_t count = arguments.size();
    if (count == 0) return std::nullopt;
    const std::string& verb = arguments[0];
    if (verb == "status" && count == 1) return RemoteRequest{RemoteRequest::Status, 0, false};
    if (verb == "status" && count == 2 && arguments[1] == "--json") return RemoteRequest{RemoteRequest::Status, 0, true};
    if (verb == "toggle" && count == 1) return RemoteRequest{RemoteRequest::Toggle, 0, false};
    if ((verb == "claim" || verb == "release") && count == 2) {
        const int port = portNumber(arguments[1]);
        if (port != 0) return RemoteRequest{verb == "claim" ? RemoteRequest::Claim : RemoteRequest::Release, port, false};
    }
    return std::nullopt;
}

}  // namespace pivora
