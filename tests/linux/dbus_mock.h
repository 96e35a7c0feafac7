#pragma once

#include <gio/gio.h>

#include <string>
#include <vector>

#include "main_context_spin.h"
#include "platform/linux/gio_handles.h"
#include "private_bus.h"

namespace pivora::test {

// A python-dbusmock service on a private bus, standing in for a system
// service; stopped when this object goes.
class DbusMock {
public:
    // Runs `python3 -m dbusmock <arguments>` on `bus` and waits, a bounded
    // time, until it owns `busName`.
    DbusMock(const PrivateBus& bus, std::string busName, const std::vector<std::string>& arguments);
    ~DbusMock();
    DbusMock(const DbusMock&) = delete;
    DbusMock& operator=(const DbusMock&) = delete;

    bool running() const { return running_; }

    // Calls `method` on the service's object `path` and returns its answer,
    // which must be of `replyType`; null, and a test failure, when it fails.
    GVariantHandle call(const char* path, const char* interface, const char* method, GVariant* parameters,
                        const char* replyType = "()");
    // The same for the mock's own controls (AddObject, EmitSignal, ...).
    GVariantHandle control(const char* path, const char* method, GVariant* parameters, const char* replyType = "()");
    // A control of the mock's own that answers a list of strings.
    std::vector<std::string> controlStrings(const char* path, const char* method);
    // How many times the object at `path` was asked `method`.
    std::size_t callCount(const char* path, const char* method);

private:
    bool ownsName();

    std::string busName_;
    GObjectHandle<GDBusConnection> connection_;
    GObjectHandle<GSubprocess> process_;
    bool running_ = false;
};

}  // namespace pivora::test
