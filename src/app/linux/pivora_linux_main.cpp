// The Linux program: `pivora run` runs the switch's control in the
// foreground; `pivora status|claim|release|toggle` ask the one running.

#include <gio/gio.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "app/linux/linux_command_line.h"
#include "app/linux/linux_host.h"
#include "app/linux/linux_program.h"
#include "app/linux/request_client.h"
#include "control/control_thread.h"
#include "log/diagnostic_log_file.h"
#include "platform/linux/gio_handles.h"
#include "platform/linux/state_folder.h"
#include "platform/posix/posix_log_file_api.h"
#include "remote/command_line.h"

namespace pivora {
namespace {

GObjectHandle<GDBusConnection> busOf(GBusType type) {
    return GObjectHandle<GDBusConnection>(g_bus_get_sync(type, nullptr, nullptr));
}

// Lines for the user, whole, from whichever thread says them.
void say(FILE* stream, const std::string& text) {
    static std::mutex saying;
    const std::lock_guard<std::mutex> hold(saying);
    // Nowhere to tell of a failed write to the user's own terminal.
    (void)std::fputs(text.c_str(), stream);
    (void)std::fflush(stream);
}

int run(const StartOptions& options) {
    const GObjectHandle<GDBusConnection> session = busOf(G_BUS_TYPE_SESSION);
    if (!session) {
        say(stderr, "Pivora needs the session's D-Bus: none was found (DBUS_SESSION_BUS_ADDRESS).\n");
        return 1;
    }
    const GObjectHandle<GDBusConnection> system = busOf(G_BUS_TYPE_SYSTEM);
    if (!system)
        say(stderr,
            "The system's D-Bus cannot be reached: disks are not ejected, and nothing hands the ports back before "
            "the computer sleeps.\n");

    LinuxRoots roots;
    roots.state = pivoraStateFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    PosixLogFileApi logFiles(roots.state);
    DiagnosticLogFile trace(logFiles);
    if (options.log) {
        trace.setEnabled(true);
        if (trace.status().state != LogState::On)
            say(stderr, "The diagnostic log cannot be written: " + trace.status().reason + "\n");
    }
    LinuxHost host(system.get(), trace, roots, [](const std::string& text) { say(stderr, text); });
    ControlThread control(host);
    LinuxProgram program(control, session.get(), system.get(), [](const std::string& text) { say(stdout, text); });
    return program.run() ? 0 : 1;
}

int linuxMain(const std::vector<std::string>& arguments) {
    const LinuxCommandLine line = parseLinuxCommandLine(arguments);
    switch (line.action) {
        case LinuxCommandLine::Run:
            return run(line.start);
        case LinuxCommandLine::SendRequest: {
            const GObjectHandle<GDBusConnection> session = busOf(G_BUS_TYPE_SESSION);
            const RemoteAnswer answer = session ? askRunningPivora(session.get(), line.request)
                                                : RemoteAnswer{exit_status::kNotRunning, "Pivora is not running.\n"};
            say(answer.exitStatus == exit_status::kDone ? stdout : stderr, answer.text);
            return answer.exitStatus;
        }
        case LinuxCommandLine::ShowUsage:
        default:
            say(stderr, usageText(kLinuxStartUsage));
            return exit_status::kBadUsage;
    }
}

}  // namespace
}  // namespace pivora

int main(int argc, char** argv) { return pivora::linuxMain(std::vector<std::string>(argv + 1, argv + argc)); }
