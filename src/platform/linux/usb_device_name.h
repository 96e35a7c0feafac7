#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pivora {

// A USB device's kernel name taken apart: a root hub "usbN", or a device
// "<bus>-<port>[.<port>...]" (its place: the bus, then the port on each hub
// from the root down). Interfaces ("1-1:1.0") and anything else are no
// device names. Only the kernel's own spelling is accepted (no leading
// zeros, no empty parts), so one device has exactly one name.
struct UsbDeviceName {
    bool rootHub = false;
    std::vector<std::uint32_t> numbers;  // the bus, then the ports

    static std::optional<UsbDeviceName> parse(const std::string& name);

    // The name of the device on `port` (counted from 0) of this hub.
    std::optional<std::string> child(int port) const;

    // Roots first by bus, then the devices in depth-first order of their
    // places: the order in which a walk of the tree meets them.
    bool operator<(const UsbDeviceName& other) const;
};

}  // namespace pivora
