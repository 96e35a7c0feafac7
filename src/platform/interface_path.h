#pragma once

#include <cstddef>
#include <vector>

#include "platform/device_interface_api.h"
#include "platform/os_handle.h"

namespace pivora {

struct InterfaceSetRelease {
    DeviceInterfaceApi* api;
    void operator()(OsHandle set) const { api->destroyDeviceInfoList(set); }
};
using ScopedInterfaceSet = ScopedOsHandle<InterfaceSetRelease>;

// A device-interface set released when the scope ends; empty when it cannot be had.
inline ScopedInterfaceSet openInterfaceSet(DeviceInterfaceApi& api, DeviceInterfaceClass interfaceClass,
                                           std::uint32_t flags) {
    return ScopedInterfaceSet(api.getClassDevs(interfaceClass, flags), InterfaceSetRelease{&api});
}

// One interface's device path, read with the platform's two-call protocol:
// ask for the size, then read the detail record into a zero-filled buffer of
// that size. Bounded: a path longer than the caller can use is not read.
class InterfacePath {
public:
    enum class Outcome { Read, Failed, TooLong };

    // `device`, when given, receives the device element the interface belongs
    // to, read by the same call as the path: valid after Outcome::Read.
    Outcome read(DeviceInterfaceApi& api, OsHandle set, const DeviceInterfaceRecord& iface, std::size_t maxLength,
                 DeviceInfoRecord* device = nullptr);

    // After Outcome::Read: the terminated path and its length.
    const char* text() const;
    std::size_t length() const { return length_; }

private:
    std::vector<std::uint8_t> detail_;
    std::size_t length_ = 0;
};

}  // namespace pivora
