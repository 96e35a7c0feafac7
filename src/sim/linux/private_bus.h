#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <string>

#include "platform/linux/gio_handles.h"

namespace pivora::sim {

// A D-Bus daemon of its own, with the session bus's rules, gone with this
// object: its address, and connections to it. Stands in for a computer's
// system bus.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return pid_ > 0 && !address_.empty(); }
    const std::string& address() const { return address_; }

    // A new connection of its own, as another program would have.
    GObjectHandle<GDBusConnection> connect() const;

private:
    std::string address_;
    pid_t pid_ = 0;
};

}  // namespace pivora::sim
