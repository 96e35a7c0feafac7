#include "app/gtk/desktop_program.h"

#include <gtk/gtk.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/gtk/desktop_shell.h"
#include "app/linux/linux_program.h"
#include "app/linux/program_start.h"
#include "app/linux/request_client.h"
#include "control/control_thread.h"
#include "platform/posix/posix_log_file_api.h"

namespace pivora {

namespace {

// The running program's own path, for the autostart entry: what the user
// started, wherever it was installed.
std::string programPath() {
    std::array<char, 4096> path{};
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string("pivora");
}

// A word from the control's thread, shown on GTK's.
struct Warning {
    DesktopShell* shell;
    std::string text;
};

gboolean showWarning(gpointer data) {
    const std::unique_ptr<Warning> warning(static_cast<Warning*>(data));
    warning->shell->warn(warning->text);
    return G_SOURCE_REMOVE;
}

}  // namespace

int runDesktop(const StartOptions& options, const LinuxRoots& roots, const WatchDesktop& watch) {
    const GObjectHandle<GDBusConnection> session = sessionBus();
    if (!session) return 1;
    // One Pivora a session: a second start brings up the first one's window.
    if (const std::optional<bool> shown = showRunningPivora(session.get())) {
        if (!*shown) say(stderr, "Pivora runs in this session without a window (pivora run).\n");
        return *shown ? 0 : 1;
    }
    if (gtk_init_check(nullptr, nullptr) == FALSE) {
        say(stderr, "Pivora's window needs a display, and none was found. Without one: pivora run.\n");
        return 1;
    }

    const GObjectHandle<GDBusConnection> system = systemBus();
    PosixLogFileApi logFiles(roots.state);
    DiagnosticLogFile trace(logFiles);
    DesktopSettings settings(desktopSettingsFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
    startLog(trace, options.log || settings.read().log);
    XdgAutostart autostart(xdgAutostartFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")), programPath());

    DesktopShell* shown = nullptr;  // once there is one to tell
    LinuxHost host(system.get(), trace, roots, [&shown](const std::string& text) {
        say(stderr, text);
        if (shown != nullptr) g_idle_add(showWarning, std::make_unique<Warning>(Warning{shown, text}).release());
    });
    ControlThread control(host);
    LinuxProgram* running = nullptr;
    DesktopShell shell(DesktopShell::Parts{
        control, session.get(), settings, autostart, trace,
        detectDisplayServer(std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"), std::getenv("XDG_SESSION_TYPE")),
        [&running] {
            if (running != nullptr) running->stop();
        }});
    shown = &shell;
    LinuxProgram program(control, session.get(), system.get(),
                         [](const std::string& text) { say(stderr, text); },
                         ProgramFace{[&shell](const PanelState& panel) { shell.panelChanged(panel); },
                                     [&shell] { return shell.show(); }});
    running = &program;
    shell.start();
    const std::unique_ptr<DesktopWatcher> watcher = watch ? watch(shell, session.get()) : nullptr;
    return program.run() ? 0 : 1;
}

}  // namespace pivora
