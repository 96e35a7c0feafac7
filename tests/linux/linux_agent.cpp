// The agent on a Linux computer of the two-computer run: each line read is a
// command for the desktop's probe of the simulated build running in this
// session (sim/linux/desktop_probe.h), answered with one line, "=" and the
// probe's answer, as the Windows program's driver answers on its computer.
// It waits, within bounds, where the probe answers at once: "attach" until
// the program is up, "pending" until the click shows, "close" until the
// program has gone. "hwdb <vid> <pid>" it answers itself: the name this
// computer's udev hardware database gives a device of that ID, which is how
// the Linux program names a device it has not seen.

#include <gio/gio.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/linux/gio_handles.h"
#include "platform/linux/udev_hwdb_names.h"
#include "platform/linux/usb_description.h"

namespace {

using pivora::GErrorHandle;
using pivora::GObjectHandle;
using pivora::GVariantHandle;

constexpr const char* kName = "org.pivora.Pivora";
constexpr gint64 kStartUs = 60 * G_USEC_PER_SEC;
constexpr gint64 kPendingUs = 10 * G_USEC_PER_SEC;
constexpr gint64 kCloseUs = 15 * G_USEC_PER_SEC;
constexpr gulong kPollUs = 20000;

std::string ask(GDBusConnection* session, const std::string& command) {
    GError* error = nullptr;
    const GVariantHandle reply(g_dbus_connection_call_sync(session, kName, "/org/pivora/Probe", "org.pivora.Probe",
                                                           "Ask", g_variant_new("(s)", command.c_str()),
                                                           G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, 5000,
                                                           nullptr, &error));
    const GErrorHandle failure(error);
    if (!reply) return std::string("error ") + (failure ? failure->message : "no answer");
    const gchar* answer = nullptr;
    g_variant_get(reply.get(), "(&s)", &answer);
    return answer;
}

bool running(GDBusConnection* session) {
    const GVariantHandle owned(g_dbus_connection_call_sync(
        session, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", kName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
    gboolean has = FALSE;
    if (owned) g_variant_get(owned.get(), "(b)", &has);
    return has != FALSE;
}

// Asks until the answer is "ok...", for at most `limitUs`; the last answer,
// and with "ok" the milliseconds it took.
std::string askUntilDone(GDBusConnection* session, const std::string& command, gint64 limitUs, bool timed) {
    const gint64 start = g_get_monotonic_time();
    for (;;) {
        const std::string answer = ask(session, command);
        const gint64 now = g_get_monotonic_time();
        if (answer.compare(0, 2, "ok") == 0)
            return timed ? answer + " " + std::to_string((now - start) / 1000) : answer;
        if (now - start > limitUs) return answer;
        g_usleep(kPollUs);
    }
}

std::string hwdbName(const std::string& command) {
    unsigned vendorId = 0;
    unsigned productId = 0;
    if (std::sscanf(command.c_str(), "hwdb %4x %4x", &vendorId, &productId) != 2) return "error hwdb <vid> <pid>";
    pivora::UdevHwdbNames names;
    const pivora::UsbIdNames known =
        names.lookup(static_cast<std::uint16_t>(vendorId), static_cast<std::uint16_t>(productId));
    return "ok " + pivora::describeUsbDevice(known.vendor, known.model);
}

std::string answer(GDBusConnection* session, const std::string& command) {
    if (command.compare(0, 5, "hwdb ") == 0) return hwdbName(command);
    if (command == "attach") return askUntilDone(session, command, kStartUs, false);
    if (command.compare(0, 8, "pending ") == 0) return askUntilDone(session, command, kPendingUs, true);
    if (command == "close") {
        const std::string asked = ask(session, command);
        if (asked != "ok") return asked;
        const gint64 start = g_get_monotonic_time();
        while (running(session)) {
            if (g_get_monotonic_time() - start > kCloseUs) return "error still running";
            g_usleep(kPollUs);
        }
        return "ok 0";
    }
    return ask(session, command);
}

}  // namespace

int main() {
    GError* error = nullptr;
    const GObjectHandle<GDBusConnection> session(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error));
    const GErrorHandle failure(error);
    if (!session) {
        std::fprintf(stderr, "linux agent: no session bus: %s\n", failure ? failure->message : "");
        return 1;
    }
    for (std::string line; std::getline(std::cin, line) && line != "quit";) {
        std::cout << "=" << answer(session.get(), line) << std::endl;
    }
    return 0;
}
