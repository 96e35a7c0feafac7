#include "sim/linux/private_bus.h"

#include <signal.h>

#include <cerrno>
#include <cstdlib>

namespace pivora::sim {

namespace {

// One line of the daemon's output, without its end; empty at its end.
std::string readLine(GDataInputStream* output) {
    gsize length = 0;
    const GCharHandle line(g_data_input_stream_read_line(output, &length, nullptr, nullptr));
    return line ? std::string(line.get(), length) : std::string();
}

}  // namespace

PrivateBus::PrivateBus() {
    // It forks into the background and prints where it listens and who it
    // is; the process started here ends once it has.
    const GObjectHandle<GSubprocess> started(g_subprocess_new(
        G_SUBPROCESS_FLAGS_STDOUT_PIPE, nullptr, "dbus-daemon", "--session", "--fork", "--nopidfile",
        "--print-address=1", "--print-pid=1", nullptr));
    if (!started) return;
    const GObjectHandle<GDataInputStream> output(g_data_input_stream_new(g_subprocess_get_stdout_pipe(started.get())));
    const std::string address = readLine(output.get());
    const std::string pid = readLine(output.get());
    g_subprocess_wait(started.get(), nullptr, nullptr);
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(pid.c_str(), &end, 10);
    if (address.empty() || errno != 0 || end == pid.c_str() || *end != '\0' || number <= 0) return;
    address_ = address;
    pid_ = static_cast<pid_t>(number);
}

PrivateBus::~PrivateBus() {
    if (pid_ > 0) kill(pid_, SIGTERM);
}

GObjectHandle<GDBusConnection> PrivateBus::connect() const {
    return GObjectHandle<GDBusConnection>(g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr));
}

}  // namespace pivora::sim
