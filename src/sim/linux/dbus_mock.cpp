#include "sim/linux/dbus_mock.h"

#include <signal.h>

#include <utility>

namespace pivora::sim {

DbusMock::DbusMock(const PrivateBus& bus, std::string busName, const std::vector<std::string>& arguments,
                   Failed failed)
    : busName_(std::move(busName)), failed_(std::move(failed)), connection_(bus.connect()) {
    if (!bus.running() || !connection_) {
        fail("no private bus for " + busName_);
        return;
    }
    // Debian's python3-dbusmock belongs to Debian's own interpreter, whatever
    // python3 comes first on the PATH.
    std::vector<const char*> argv{"/usr/bin/python3", "-m", "dbusmock", "--session"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const GObjectHandle<GSubprocessLauncher> launcher(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_SILENCE));
    g_subprocess_launcher_setenv(launcher.get(), "DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), TRUE);
    GError* error = nullptr;
    process_.reset(g_subprocess_launcher_spawnv(launcher.get(), argv.data(), &error));
    const GErrorHandle failure(error);
    if (!process_) {
        fail(std::string("dbusmock did not start: ") + failure->message);
        return;
    }
    const gint64 deadline = g_get_monotonic_time() + gint64{30} * G_USEC_PER_SEC;
    while (!ownsName() && g_subprocess_get_identifier(process_.get()) != nullptr &&
           g_get_monotonic_time() < deadline)
        g_usleep(20000);
    running_ = ownsName();
    if (!running_) fail("dbusmock did not take " + busName_ + " within 30 s");
}

void DbusMock::fail(const std::string& why) const {
    if (failed_) failed_(why);
}

std::string udisks2Template() { return PIVORA_SIM_LINUX_DIR "/udisks2_template.py"; }

DbusMock::~DbusMock() {
    if (!process_) return;
    g_subprocess_send_signal(process_.get(), SIGTERM);
    g_subprocess_wait(process_.get(), nullptr, nullptr);
}

bool DbusMock::ownsName() {
    const GVariantHandle owned(g_dbus_connection_call_sync(
        connection_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", busName_.c_str()), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
    gboolean has = FALSE;
    if (owned) g_variant_get(owned.get(), "(b)", &has);
    return has != FALSE;
}

GVariantHandle DbusMock::call(const char* path, const char* interface, const char* method, GVariant* parameters,
                              const char* replyType) {
    GError* error = nullptr;
    GVariantHandle reply(g_dbus_connection_call_sync(connection_.get(), busName_.c_str(), path, interface, method,
                                                     parameters, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE,
                                                     10000, nullptr, &error));
    const GErrorHandle failure(error);
    if (!reply) fail(std::string(method) + " on " + path + ": " + failure->message);
    return reply;
}

GVariantHandle DbusMock::control(const char* path, const char* method, GVariant* parameters, const char* replyType) {
    return call(path, "org.freedesktop.DBus.Mock", method, parameters, replyType);
}

std::vector<std::string> DbusMock::controlStrings(const char* path, const char* method) {
    std::vector<std::string> strings;
    const GVariantHandle reply = control(path, method, nullptr, "(as)");
    if (!reply) return strings;
    const GVariantHandle list(g_variant_get_child_value(reply.get(), 0));
    for (gsize i = 0; i < g_variant_n_children(list.get()); ++i) {
        const GVariantHandle item(g_variant_get_child_value(list.get(), i));
        strings.emplace_back(g_variant_get_string(item.get(), nullptr));
    }
    return strings;
}

std::size_t DbusMock::callCount(const char* path, const char* method) {
    const GVariantHandle calls = control(path, "GetMethodCalls", g_variant_new("(s)", method), "(a(tav))");
    if (!calls) return 0;
    const GVariantHandle list(g_variant_get_child_value(calls.get(), 0));
    return g_variant_n_children(list.get());
}

}  // namespace pivora::sim
