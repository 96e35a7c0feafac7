#pragma once

#include <gio/gio.h>

#include <functional>
#include <mutex>
#include <string>

#include "control/control_port.h"
#include "control/panel_state.h"
#include "platform/linux/gio_handles.h"
#include "remote/remote_request.h"

namespace pivora {

// What a program with a window adds to the one without: each new panel is
// its to show, on the main context, and a second start brings it up.
struct ProgramFace {
    std::function<void(const PanelState&)> panelChanged;
    std::function<bool()> show;
};

// `pivora run`: the control on its own thread, and around it on the default
// GLib main context the command line's requests, udev's device changes,
// logind's sleep and shutdown, SIGINT and SIGTERM. Says what it does, and,
// without a window, the switch as the status request tells it each time it
// changes, through `say`. The desktop program is the same with a face.
class LinuxProgram {
public:
    // `system` may be null: then nothing hands the ports back before the
    // computer sleeps.
    LinuxProgram(ControlPort& control, GDBusConnection* session, GDBusConnection* system,
                 std::function<void(const std::string&)> say, ProgramFace face = {});
    ~LinuxProgram();
    LinuxProgram(const LinuxProgram&) = delete;
    LinuxProgram& operator=(const LinuxProgram&) = delete;

    // Serves until stop() or a signal, then stops the control (which signs
    // off from the controller). False at once, the control never started,
    // when another Pivora already serves this session.
    bool run();
    // Ends run() from the main context's thread.
    void stop();

    // The command line's request, decided from the switch as last published.
    RemoteAnswer answer(const RemoteRequest& request);

private:
    static gboolean onPanelChanged(gpointer self);
    static gboolean onSignal(gpointer self);
    void panelChanged();

    ControlPort& control_;
    GDBusConnection* session_;
    GDBusConnection* system_;
    std::function<void(const std::string&)> say_;
    ProgramFace face_;
    GMainLoopHandle loop_;
    std::mutex pendingLock_;
    guint pendingPanel_ = 0;  // the idle source that shows the new panel, if any
    std::string lastShown_;
};

}  // namespace pivora
