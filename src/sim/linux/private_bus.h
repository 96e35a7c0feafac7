#pragma once

#include <gio/gio.h>
#include <signal.h>
#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/linux/gio_handles.h"

namespace pivora::sim {

// A D-Bus daemon of its own, with the session bus's rules, gone with this
// object: its address, and connections to it. Stands in for a computer's
// system bus.
class PrivateBus {
public:
    PrivateBus() {
        std::unique_ptr<FILE, int (*)(FILE*)> started(
            popen("dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1", "r"), pclose);
        if (!started) return;
        char address[512] = {};
        long pid = 0;
        if (std::fgets(address, sizeof address, started.get()) == nullptr ||
            std::fscanf(started.get(), "%ld", &pid) != 1)
            return;
        address_ = address;
        while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) address_.pop_back();
        pid_ = static_cast<pid_t>(pid);
    }
    ~PrivateBus() {
        if (pid_ > 0) kill(pid_, SIGTERM);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return pid_ > 0 && !address_.empty(); }
    const std::string& address() const { return address_; }

    // A new connection of its own, as another program would have.
    GObjectHandle<GDBusConnection> connect() const {
        return GObjectHandle<GDBusConnection>(g_dbus_connection_new_for_address_sync(
            address_.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr));
    }

private:
    std::string address_;
    pid_t pid_ = 0;
};

}  // namespace pivora::sim
