#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <memory>

#include "platform/linux/gio_handles.h"
#include "ui/port_notices.h"

namespace pivora {

// The Windows balloons as freedesktop notifications: the same title and
// text, from "Pivora", each one replacing the last shown so that a burst of
// moves leaves one notification, not a pile. Calls go out without waiting;
// the daemon's answers come on the thread-default main context of show()'s
// caller, so the notifier is used on that context's thread only.
class DesktopNotifier {
public:
    // `session`: the session bus; null, nothing is ever shown.
    explicit DesktopNotifier(GDBusConnection* session);

    void show(const Balloon& balloon);

private:
    struct Shown;
    static void onNotified(GObject* source, GAsyncResult* result, gpointer data);

    GObjectHandle<GDBusConnection> session_;
    // What answers still to come may touch; they hold it too, so the
    // notifier may go before they arrive.
    std::shared_ptr<Shown> shown_;
};

}  // namespace pivora
