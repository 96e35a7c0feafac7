#include "app/gtk/tray_host.h"

#include "platform/linux/gio_handles.h"

namespace pivora {

namespace {
// A watcher that does not answer within this is as good as none.
constexpr int kWatcherTimeoutMs = 2000;
}  // namespace

bool trayHostPresent(GDBusConnection* session) {
    if (session == nullptr) return false;
    GError* error = nullptr;
    const GVariantHandle reply(g_dbus_connection_call_sync(
        session, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered"),
        G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kWatcherTimeoutMs, nullptr, &error));
    const GErrorHandle failure(error);
    if (!reply) return false;
    GVariant* boxed = nullptr;
    g_variant_get(reply.get(), "(v)", &boxed);
    const GVariantHandle value(boxed);
    return g_variant_is_of_type(value.get(), G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value.get());
}

}  // namespace pivora
