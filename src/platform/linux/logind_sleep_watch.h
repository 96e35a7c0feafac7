#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "link/posix_fd.h"
#include "platform/linux/gio_handles.h"

namespace pivora {

// Why logind says the computer is about to stop.
enum class PowerDown : std::uint8_t { Sleep, Shutdown };

// Holds logind's delay inhibitor for sleep and shutdown, so that the switch's
// ports can be handed back before the computer stops, and says when it is
// about to stop and when it carries on.
//
// Everything runs on the GLib main context that was the calling thread's
// thread-default context when the watch was made (the global default one
// when none was pushed): the callbacks are called from it, the inhibitor is
// taken on it, and the watch is used and destroyed on that context's thread.
// The context must be iterated for anything to happen.
class LogindSleepWatch {
public:
    struct Callbacks {
        // logind is about to suspend or shut down the computer, and waits
        // (a bounded time) until the inhibitor is released.
        std::function<void(PowerDown)> goingDown;
        // The computer woke, or the shutdown was called off; a new inhibitor
        // is on its way.
        std::function<void()> resumed;
    };

    // Asks logind for the inhibitor at once and listens for its
    // announcements on `systemBus`. Neither callback may destroy the watch.
    LogindSleepWatch(GDBusConnection* systemBus, Callbacks callbacks);
    ~LogindSleepWatch();
    LogindSleepWatch(const LogindSleepWatch&) = delete;
    LogindSleepWatch& operator=(const LogindSleepWatch&) = delete;

    // logind's answer has arrived and the inhibitor is held.
    bool holdsInhibitor() const { return static_cast<bool>(inhibitor_); }

    // Lets logind go on: to be called once the ports are handed back. A take
    // still on its way is called off.
    void releaseInhibitor();

private:
    void takeInhibitor();
    void announced(const char* signal, GVariant* parameters);
    static void onSignal(GDBusConnection* connection, const char* sender, const char* objectPath,
                         const char* interface, const char* signal, GVariant* parameters, gpointer watch);
    static void onInhibitReply(GObject* connection, GAsyncResult* result, gpointer watch);

    GObjectHandle<GDBusConnection> bus_;
    Callbacks callbacks_;
    std::unique_ptr<GMainContext, void (*)(GMainContext*)> context_;
    link::PosixFd inhibitor_;
    GObjectHandle<GCancellable> pendingTake_;  // set while logind's answer is awaited
    guint subscription_ = 0;
};

}  // namespace pivora
