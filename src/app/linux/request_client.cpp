#include "app/linux/request_client.h"

#include <cstring>
#include <string>

#include "app/linux/request_bus.h"
#include "remote/remote_wire.h"
#include "platform/linux/gio_handles.h"

namespace pivora {

namespace {
constexpr gint kAnswerWaitMs = 5000;
}

RemoteAnswer askRunningPivora(GDBusConnection* bus, const RemoteRequest& request) {
    GError* failure = nullptr;
    GVariantHandle reply(g_dbus_connection_call_sync(
        bus, request_bus::kName, request_bus::kPath, request_bus::kInterface, request_bus::kRequestMethod,
        g_variant_new("(yib)", static_cast<guchar>(request.verb), static_cast<gint32>(request.port),
                      static_cast<gboolean>(request.json)),
        G_VARIANT_TYPE("(is)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kAnswerWaitMs, nullptr, &failure));
    const GErrorHandle error(failure);
    if (error && (g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
                  g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)))
        return RemoteAnswer{exit_status::kNotRunning, "Pivora is not running.\n"};
    if (!reply) return RemoteAnswer{exit_status::kNotRunning, "Pivora did not answer.\n"};

    gint32 status = 0;
    const gchar* text = nullptr;
    g_variant_get(reply.get(), "(i&s)", &status, &text);
    // Only the statuses a running Pivora gives; anything else did not come from one.
    if (!isAnswerStatus(status)) return RemoteAnswer{exit_status::kNotRunning, "Pivora did not answer.\n"};
    return RemoteAnswer{status, std::string(text, ::strnlen(text, remote_wire::kMaxAnswerSize))};
}

std::optional<bool> showRunningPivora(GDBusConnection* bus) {
    GVariantHandle reply(g_dbus_connection_call_sync(bus, request_bus::kName, request_bus::kPath,
                                                     request_bus::kInterface, request_bus::kShowMethod, nullptr,
                                                     G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                     kAnswerWaitMs, nullptr, nullptr));
    if (!reply) return std::nullopt;
    gboolean shown = FALSE;
    g_variant_get(reply.get(), "(b)", &shown);
    return shown != FALSE;
}

}  // namespace pivora
