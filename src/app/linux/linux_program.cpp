#include "app/linux/linux_program.h"

#include <glib-unix.h>
#include <signal.h>

#include <optional>
#include <utility>

#include "app/linux/request_service.h"
#include "platform/linux/logind_sleep_watch.h"
#include "platform/linux/udev_watch.h"
#include "remote/remote_answer.h"
#include "ui/port_summary.h"

namespace pivora {

namespace {

// How long the control may take to sign off before logind goes on: the
// window waits as long for the same on Windows.
constexpr std::uint32_t kSignOffWaitMs = 3000;

}  // namespace

LinuxProgram::LinuxProgram(ControlPort& control, GDBusConnection* session, GDBusConnection* system,
                           std::function<void(const std::string&)> say, ProgramFace face)
    : control_(control),
      session_(session),
      system_(system),
      say_(std::move(say)),
      face_(std::move(face)),
      loop_(g_main_loop_new(nullptr, FALSE)) {}

LinuxProgram::~LinuxProgram() {
    control_.stop();
    const std::lock_guard<std::mutex> hold(pendingLock_);
    if (pendingPanel_ != 0) g_source_remove(pendingPanel_);
}

bool LinuxProgram::run() {
    RequestService requests(
        session_, [this](const RemoteRequest& request) { return answer(request); }, face_.show);
    if (!requests.start()) {
        say_("Pivora is already running in this session.\n");
        return false;
    }
    UdevWatch devices([this] { control_.post(Command{Command::DeviceChanged, 0}); });
    if (!devices.start())
        say_("udev's device events cannot be had here: Pivora looks for the switch on its ticks only.\n");
    PowerDown last = PowerDown::Sleep;  // what the computer last went down for
    std::optional<LogindSleepWatch> sleep;
    if (system_ != nullptr) {
        sleep.emplace(system_, LogindSleepWatch::Callbacks{
                                   [this, &sleep, &last](PowerDown why) {
                                       // The ports are handed back before the computer stops.
                                       last = why;
                                       control_.postAndWait(Command{why == PowerDown::Sleep ? Command::Suspend
                                                                                            : Command::QueryEndSession,
                                                                    0},
                                                            kSignOffWaitMs);
                                       sleep->releaseInhibitor();
                                   },
                                   [this, &last] {
                                       // Woken, it starts over; a shutdown called off connects again.
                                       control_.post(last == PowerDown::Sleep ? Command{Command::Resume, 0}
                                                                              : Command{Command::EndSession, 0});
                                   }});
    }
    const guint interrupted = g_unix_signal_add(SIGINT, onSignal, this);
    const guint terminated = g_unix_signal_add(SIGTERM, onSignal, this);

    control_.start([this] {
        // From the control's thread: the panel is shown on the main context's.
        const std::lock_guard<std::mutex> hold(pendingLock_);
        if (pendingPanel_ == 0) pendingPanel_ = g_idle_add(onPanelChanged, this);
    });
    g_main_loop_run(loop_.get());
    g_source_remove(interrupted);
    g_source_remove(terminated);
    control_.stop();
    return true;
}

void LinuxProgram::stop() { g_main_loop_quit(loop_.get()); }

RemoteAnswer LinuxProgram::answer(const RemoteRequest& request) {
    const RemoteDecision decision = decide(request, summarize(control_.panel()));
    if (decision.command) control_.post(*decision.command);
    return decision.answer;
}

gboolean LinuxProgram::onPanelChanged(gpointer self) {
    auto* program = static_cast<LinuxProgram*>(self);
    {
        const std::lock_guard<std::mutex> hold(program->pendingLock_);
        program->pendingPanel_ = 0;
    }
    program->panelChanged();
    return G_SOURCE_REMOVE;
}

gboolean LinuxProgram::onSignal(gpointer self) {
    static_cast<LinuxProgram*>(self)->stop();
    return G_SOURCE_CONTINUE;
}

void LinuxProgram::panelChanged() {
    if (face_.panelChanged) {
        face_.panelChanged(control_.panel());
        return;
    }
    // What `pivora status` would print, each time it reads differently.
    const std::string shown = decide(RemoteRequest{}, summarize(control_.panel())).answer.text;
    if (shown == lastShown_) return;
    lastShown_ = shown;
    say_(shown);
}

}  // namespace pivora
