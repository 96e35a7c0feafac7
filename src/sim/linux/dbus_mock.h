#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/linux/gio_handles.h"
#include "sim/linux/private_bus.h"

namespace pivora::sim {

// A python-dbusmock service on a private bus, standing in for a system
// service; stopped when this object goes.
class DbusMock {
public:
    // Told why, whenever the mock cannot be started or a call to it fails.
    using Failed = std::function<void(const std::string& why)>;

    // Runs `python3 -m dbusmock <arguments>` on `bus` and waits, a bounded
    // time, until it owns `busName`.
    DbusMock(const PrivateBus& bus, std::string busName, const std::vector<std::string>& arguments,
             Failed failed = {});
    ~DbusMock();
    DbusMock(const DbusMock&) = delete;
    DbusMock& operator=(const DbusMock&) = delete;

    bool running() const { return running_; }

    // Calls `method` on the service's object `path` and returns its answer,
    // which must be of `replyType`; null, and `failed` told, when it fails.
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
    void fail(const std::string& why) const;

    std::string busName_;
    Failed failed_;
    GObjectHandle<GDBusConnection> connection_;
    GObjectHandle<GSubprocess> process_;
    bool running_ = false;
};

// Where the udisks2 stand-in's template is, for python-dbusmock's --template.
std::string udisks2Template();

}  // namespace pivora::sim
