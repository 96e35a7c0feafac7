#include "app/linux/linux_command_line.h"

#include <optional>

#include "remote/command_line.h"

namespace pivora {

const char* const kLinuxStartUsage =
    "usage: pivora [run] [--log]\n"
    "With no request, Pivora starts with its window and tray icon (a second\n"
    "start shows the window); `run` runs it in the foreground without them\n"
    "until it is stopped (the systemd user unit pivora.service runs it so).\n"
    "--log also keeps its diagnostic log in $XDG_STATE_HOME/pivora/pivora.log.\n";

LinuxCommandLine parseLinuxCommandLine(const std::vector<std::string>& arguments) {
    LinuxCommandLine line;
    const std::size_t count = arguments.size();
    if (count == 0 || (count == 1 && arguments[0] == "--log")) {
        line.action = LinuxCommandLine::StartDesktop;
        line.start.log = count == 1;
    } else if (count >= 1 && count <= 2 && arguments[0] == "run" && (count == 1 || arguments[1] == "--log")) {
        line.action = LinuxCommandLine::Run;
        line.start.log = count == 2;
    } else if (const std::optional<RemoteRequest> asked = parseRequest(arguments)) {
        line.action = LinuxCommandLine::SendRequest;
        line.request = *asked;
    }
    return line;
}

}  // namespace pivora
