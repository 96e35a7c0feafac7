#include "app/linux/linux_command_line.h"

#include <optional>

#include "remote/command_line.h"

namespace pivora {

const char* const kLinuxStartUsage =
    "usage: pivora run [--log]\n"
    "`run` runs Pivora in the foreground until it is stopped (the systemd user\n"
    "unit pivora.service runs it so); --log also keeps its diagnostic log in\n"
    "$XDG_STATE_HOME/pivora/pivora.log.\n";

LinuxCommandLine parseLinuxCommandLine(const std::vector<std::string>& arguments) {
    LinuxCommandLine line;
    const std::size_t count = arguments.size();
    if (count >= 1 && count <= 2 && arguments[0] == "run" && (count == 1 || arguments[1] == "--log")) {
        line.action = LinuxCommandLine::Run;
        line.start.log = count == 2;
    } else if (const std::optional<RemoteRequest> asked = parseRequest(arguments)) {
        line.action = LinuxCommandLine::SendRequest;
        line.request = *asked;
    }
    return line;
}

}  // namespace pivora
