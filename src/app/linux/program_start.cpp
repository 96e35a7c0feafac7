#include "app/linux/program_start.h"

#include <cstdlib>
#include <mutex>

#include "platform/linux/state_folder.h"

namespace pivora {

GObjectHandle<GDBusConnection> busOf(GBusType type) {
    return GObjectHandle<GDBusConnection>(g_bus_get_sync(type, nullptr, nullptr));
}

GObjectHandle<GDBusConnection> sessionBus() {
    GObjectHandle<GDBusConnection> bus = busOf(G_BUS_TYPE_SESSION);
    if (!bus) say(stderr, "Pivora needs the session's D-Bus: none was found (DBUS_SESSION_BUS_ADDRESS).\n");
    return bus;
}

GObjectHandle<GDBusConnection> systemBus() {
    GObjectHandle<GDBusConnection> bus = busOf(G_BUS_TYPE_SYSTEM);
    if (!bus)
        say(stderr,
            "The system's D-Bus cannot be reached: disks are not ejected, and nothing hands the ports back before "
            "the computer sleeps.\n");
    return bus;
}

void say(FILE* stream, const std::string& text) {
    static std::mutex saying;
    const std::lock_guard<std::mutex> hold(saying);
    // Nowhere to tell of a failed write to the user's own terminal.
    (void)std::fputs(text.c_str(), stream);
    (void)std::fflush(stream);
}

LinuxRoots linuxRoots() {
    LinuxRoots roots;
    roots.state = pivoraStateFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    return roots;
}

void startLog(DiagnosticLogFile& log, bool on) {
    if (!on) return;
    log.setEnabled(true);
    if (log.status().state != LogState::On)
        say(stderr, "The diagnostic log cannot be written: " + log.status().reason + "\n");
}

}  // namespace pivora
