#include "app/linux/linux_main.h"

#include <gio/gio.h>

#include <cstdio>
#include <string>

#include "app/gtk/desktop_program.h"
#include "app/linux/linux_command_line.h"
#include "app/linux/linux_host.h"
#include "app/linux/linux_program.h"
#include "app/linux/program_start.h"
#include "app/linux/request_client.h"
#include "control/control_thread.h"
#include "log/diagnostic_log_file.h"
#include "platform/linux/gio_handles.h"
#include "platform/posix/posix_log_file_api.h"
#include "remote/command_line.h"

namespace pivora {
namespace {

int run(const StartOptions& options, const LinuxRoots& roots) {
    const GObjectHandle<GDBusConnection> session = sessionBus();
    if (!session) return 1;
    const GObjectHandle<GDBusConnection> system = systemBus();
    PosixLogFileApi logFiles(roots.state);
    DiagnosticLogFile trace(logFiles);
    startLog(trace, options.log);
    LinuxHost host(system.get(), trace, roots, [](const std::string& text) { say(stderr, text); });
    ControlThread control(host);
    LinuxProgram program(control, session.get(), system.get(), [](const std::string& text) { say(stdout, text); });
    return program.run() ? 0 : 1;
}

}  // namespace

int linuxMain(const std::vector<std::string>& arguments, const LinuxRoots& roots, const WatchDesktop& watch) {
    const LinuxCommandLine line = parseLinuxCommandLine(arguments);
    switch (line.action) {
        case LinuxCommandLine::StartDesktop:
            return runDesktop(line.start, roots, watch);
        case LinuxCommandLine::Run:
            return run(line.start, roots);
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

}  // namespace pivora

