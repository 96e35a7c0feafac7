#include "platform/linux/logind_sleep_watch.h"

#include <gio/gunixfdlist.h>

#include <cstring>
#include <utility>

namespace pivora {
namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr int kCallTimeoutMs = 5000;

}  // namespace

LogindSleepWatch::LogindSleepWatch(GDBusConnection* systemBus, Callbacks callbacks)
    : bus_(static_cast<GDBusConnection*>(g_object_ref(systemBus))),
      callbacks_(std::move(callbacks)),
      context_(g_main_context_ref_thread_default(), g_main_context_unref) {
    // No member given: one subscription for both announcements.
    subscription_ = g_dbus_connection_signal_subscribe(bus_.get(), kLogind, kManager, nullptr, kManagerPath, nullptr,
                                                       G_DBUS_SIGNAL_FLAGS_NONE, onSignal, this, nullptr);
    takeInhibitor();
}

LogindSleepWatch::~LogindSleepWatch() {
    // GDBus calls no callback of a subscription gone on this thread, and a
    // cancelled take's reply never reaches the watch.
    g_dbus_connection_signal_unsubscribe(bus_.get(), subscription_);
    if (pendingTake_) g_cancellable_cancel(pendingTake_.get());
}

void LogindSleepWatch::releaseInhibitor() {
    if (pendingTake_) g_cancellable_cancel(pendingTake_.get());
    pendingTake_.reset();
    inhibitor_ = link::PosixFd();
}

void LogindSleepWatch::takeInhibitor() {
    if (inhibitor_ || pendingTake_) return;
    pendingTake_.reset(g_cancellable_new());
    // The reply comes to the thread-default context of the moment; a take
    // started from a callback must still answer on the watch's context.
    g_main_context_push_thread_default(context_.get());
    g_dbus_connection_call_with_unix_fd_list(
        bus_.get(), kLogind, kManagerPath, kManager, "Inhibit",
        g_variant_new("(ssss)", "sleep:shutdown", "Pivora", "Hands the switch's ports back before the computer sleeps",
                      "delay"),
        G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, pendingTake_.get(), onInhibitReply,
        this);
    g_main_context_pop_thread_default(context_.get());
}

void LogindSleepWatch::onInhibitReply(GObject* connection, GAsyncResult* result, gpointer watch) {
    GUnixFDList* fds = nullptr;
    GError* error = nullptr;
    const GVariantHandle reply(
        g_dbus_connection_call_with_unix_fd_list_finish(G_DBUS_CONNECTION(connection), &fds, result, &error));
    const GObjectHandle<GUnixFDList> fdList(fds);
    const GErrorHandle failure(error);
    // A cancelled take belongs to a release or to a watch that is gone.
    if (failure && g_error_matches(failure.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;

    auto* self = static_cast<LogindSleepWatch*>(watch);
    self->pendingTake_.reset();
    if (!reply || !fdList) return;
    gint32 index = -1;
    g_variant_get(reply.get(), "(h)", &index);
    if (index < 0 || index >= g_unix_fd_list_get_length(fdList.get())) return;
    // The list keeps its own descriptor; the watch holds a duplicate.
    const int fd = g_unix_fd_list_get(fdList.get(), index, nullptr);
    if (fd >= 0) self->inhibitor_ = link::PosixFd(fd);
}

void LogindSleepWatch::onSignal(GDBusConnection* /*connection*/, const char* /*sender*/, const char* /*objectPath*/,
                                const char* /*interface*/, const char* signal, GVariant* parameters, gpointer watch) {
    static_cast<LogindSleepWatch*>(watch)->announced(signal, parameters);
}

void LogindSleepWatch::announced(const char* signal, GVariant* parameters) {
    const bool sleep = std::strcmp(signal, "PrepareForSleep") == 0;
    if (!sleep && std::strcmp(signal, "PrepareForShutdown") != 0) return;
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
    gboolean starting = FALSE;
    g_variant_get(parameters, "(b)", &starting);
    if (starting != FALSE) {
        if (callbacks_.goingDown) callbacks_.goingDown(sleep ? PowerDown::Sleep : PowerDown::Shutdown);
        return;
    }
    takeInhibitor();
    if (callbacks_.resumed) callbacks_.resumed();
}

}  // namespace pivora
