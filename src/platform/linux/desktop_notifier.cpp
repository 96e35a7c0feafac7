#include "platform/linux/desktop_notifier.h"

namespace pivora {

namespace {
// A notification daemon answers at once; a hung one is not waited on longer.
constexpr int kCallTimeoutMs = 5000;
// The urgency hint's "normal": a warning here asks the user to act, but
// nothing is lost if it waits.
constexpr guchar kNormalUrgency = 1;
}  // namespace

// The id of the notification shown last, 0 for none yet.
struct DesktopNotifier::Shown {
    std::uint32_t lastId = 0;
};

DesktopNotifier::DesktopNotifier(GDBusConnection* session)
    : session_(session != nullptr ? G_DBUS_CONNECTION(g_object_ref(session)) : nullptr),
      shown_(std::make_shared<Shown>()) {}

void DesktopNotifier::show(const Balloon& balloon) {
    if (!session_) return;
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(kNormalUrgency));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string("pivora"));
    const char* icon = balloon.kind == Balloon::Warning ? "dialog-warning" : "pivora";
    g_dbus_connection_call(session_.get(), "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", "Notify",
                           g_variant_new("(susss@asa{sv}i)", "Pivora", shown_->lastId, icon, balloon.title.c_str(),
                                         balloon.text.c_str(), g_variant_new_strv(nullptr, 0), &hints, -1),
                           G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, onNotified,
                           std::make_unique<std::shared_ptr<Shown>>(shown_).release());
}

void DesktopNotifier::onNotified(GObject* source, GAsyncResult* result, gpointer data) {
    const std::unique_ptr<std::shared_ptr<Shown>> shown(static_cast<std::shared_ptr<Shown>*>(data));
    GError* error = nullptr;
    const GVariantHandle reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error));
    const GErrorHandle failure(error);
    // No daemon, or one that failed: the next notification simply stands on
    // its own.
    if (!reply) return;
    guint32 id = 0;
    g_variant_get(reply.get(), "(u)", &id);
    (*shown)->lastId = id;
}

}  // namespace pivora
