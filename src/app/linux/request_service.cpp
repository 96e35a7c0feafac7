#include "app/linux/request_service.h"

#include <cstring>
#include <optional>
#include <utility>

#include "app/linux/request_bus.h"
#include "platform/linux/gio_handles.h"

namespace pivora {

namespace {

constexpr const char* kIntrospection =
    "<node>"
    "  <interface name='org.pivora.Pivora1'>"
    "    <method name='Request'>"
    "      <arg type='y' name='verb' direction='in'/>"
    "      <arg type='i' name='port' direction='in'/>"
    "      <arg type='b' name='json' direction='in'/>"
    "      <arg type='i' name='exitStatus' direction='out'/>"
    "      <arg type='s' name='text' direction='out'/>"
    "    </method>"
    "    <method name='Show'>"
    "      <arg type='b' name='shown' direction='out'/>"
    "    </method>"
    "  </interface>"
    "</node>";

// org.freedesktop.DBus.RequestName's flag and answer.
constexpr guint32 kDoNotQueue = 4;
constexpr guint32 kPrimaryOwner = 1;
constexpr gint kBusCallMs = 5000;

struct NodeInfoRelease {
    void operator()(GDBusNodeInfo* info) const { g_dbus_node_info_unref(info); }
};

}  // namespace

RequestService::RequestService(GDBusConnection* bus, std::function<RemoteAnswer(const RemoteRequest&)> answer,
                               std::function<bool()> show)
    : bus_(bus), answer_(std::move(answer)), show_(std::move(show)) {}

RequestService::~RequestService() {
    if (registration_ != 0) g_dbus_connection_unregister_object(bus_, registration_);
    if (!ownsName_) return;
    GVariantHandle released(g_dbus_connection_call_sync(
        bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ReleaseName",
        g_variant_new("(s)", request_bus::kName), nullptr, G_DBUS_CALL_FLAGS_NONE, kBusCallMs, nullptr, nullptr));
}

bool RequestService::start() {
    static const GDBusInterfaceVTable vtable = {onCall, nullptr, nullptr, {}};
    const std::unique_ptr<GDBusNodeInfo, NodeInfoRelease> node(
        g_dbus_node_info_new_for_xml(kIntrospection, nullptr));
    if (!node) return false;
    // The object first: a request may come the moment the name is ours.
    registration_ = g_dbus_connection_register_object(bus_, request_bus::kPath, node->interfaces[0], &vtable, this,
                                                      nullptr, nullptr);
    if (registration_ == 0) return false;
    GVariantHandle reply(g_dbus_connection_call_sync(
        bus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", request_bus::kName, kDoNotQueue), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
        kBusCallMs, nullptr, nullptr));
    guint32 result = 0;
    if (reply) g_variant_get(reply.get(), "(u)", &result);
    ownsName_ = result == kPrimaryOwner;
    return ownsName_;
}

void RequestService::onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
    auto* service = static_cast<RequestService*>(self);
    if (std::strcmp(method, request_bus::kShowMethod) == 0) {
        const bool shown = service->show_ && service->show_();
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", static_cast<gboolean>(shown)));
        return;
    }
    // The bus checked the signature against the introspection; the values are the caller's own.
    guchar verb = 0;
    gint32 port = 0;
    gboolean json = FALSE;
    if (std::strcmp(method, request_bus::kRequestMethod) == 0 &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE("(yib)")))
        g_variant_get(parameters, "(yib)", &verb, &port, &json);
    const std::optional<RemoteRequest> request = checkedRequest(verb, port, json != FALSE);
    if (!request) {
        g_dbus_method_invocation_return_error_literal(invocation, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS,
                                                      "no such request");
        return;
    }
    const RemoteAnswer answer = service->answer_(*request);
    // A D-Bus string must be UTF-8 throughout; the answer is, but a name the
    // system gave is never trusted that far.
    const GCharHandle text(g_utf8_make_valid(answer.text.data(), static_cast<gssize>(answer.text.size())));
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(is)", static_cast<gint32>(answer.exitStatus), text.get()));
}

}  // namespace pivora
