#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "sim/host.h"

namespace pivora::sim {

class SwitchFirmware;

// How a device answers a request to remove it: a CONFIGRET other than
// CR_SUCCESS, a veto name written into the caller's buffer, or both. A
// refusing device stays where it is whatever the result says.
struct RemovalRefusal {
    std::uint32_t result = 0;
    std::string vetoName;
    std::uint32_t vetoType = 0;
};

// The switch's USB hub (0424:2524), one box seen from both computers. Its
// downstream port n is connection n + 1. A device on a user port is seen only
// by the computer whose host owns that port in the firmware, read at every
// look, so a port switched by the firmware takes its device along. In the
// TwoPort form ports 0 and 1 are internal: the controller (04B4:120D) shows
// on port 0 to host A and on port 1 to host B; ports 2 and 3 are the user's.
// In the FourPort form all four ports are the user's and the controller is
// not on the hub. Each computer places the hub in its own USB tree
// (SimUsbTree::placeSwitchHub).
class SwitchHub {
public:
    enum class Form { TwoPort, FourPort };

    static constexpr int kPorts = 4;
    static constexpr std::uint16_t kVendorId = 0x0424;
    static constexpr std::uint16_t kProductId = 0x2524;
    static constexpr std::uint16_t kControllerVendorId = 0x04B4;
    static constexpr std::uint16_t kControllerProductId = 0x120D;

    // A device plugged into one of the user's ports. Its path and description
    // are the same on both computers.
    struct Device {
        int port = -1;  // -1 once unplugged
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::string description;
        std::string path;  // its USB device interface path
        bool detailFails = false;
        std::optional<RemovalRefusal> refusal;
        // How long its safe removal takes to answer, in milliseconds: a disk
        // flushing its cache, say. 0 answers at once.
        std::uint32_t removalMs = 0;
        bool isHub = false;  // a hub of the user's, with nothing behind it
        // Whether each computer lists it among its non-present devices while
        // it sits on the other host (it has been there before).
        std::array<bool, 2> known{true, true};
        // Removed safely by that host: gone from its view until the port
        // leaves the host or the device is plugged in again.
        std::array<bool, 2> removed{false, false};
    };

    explicit SwitchHub(const SwitchFirmware& firmware, Form form = Form::TwoPort);

    void setForm(Form form) { form_ = form; }
    Form form() const { return form_; }
    // TwoPort: the internal port (0 or 1) on which `host` sees the controller.
    void setControllerPort(Host host, int port);
    // -1 when the controller is not on the hub (FourPort).
    int controllerPort(Host host) const;
    bool isUserPort(int port) const;

    // Plugs a device into downstream port 0..3, unplugging whatever was there.
    // An empty path gives "\\?\usb#vid_xxxx&pid_yyyy#<serial>#{USB device GUID}".
    int plugDevice(int port, std::uint16_t vendorId, std::uint16_t productId, std::string description = {},
                   std::string path = {});
    void unplugDevice(int device);
    Device& device(int id) { return devices_.at(static_cast<std::size_t>(id)); }
    int deviceCount() const { return static_cast<int>(devices_.size()); }

    // Ports the firmware has just switched to `host`: the hub re-enumerates
    // them there before their devices appear, so they are not seen until
    // portsArrived. The host that lost them stops seeing them at once.
    void portsArriving(Host host, std::uint8_t ports);
    void portsArrived(Host host, std::uint8_t ports);
    // Whether `host` sees a device on any of `ports`, or did until the
    // ports left it: then its device tree changes as they move.
    bool deviceOnPortsOf(Host host, std::uint8_t ports) const;

    // The device `host` sees on downstream port `port` now, or -1.
    int deviceSeenBy(Host host, int port);
    bool visibleTo(Host host, int device);
    bool knownTo(Host host, int device);
    void markRemoved(Host host, int device);

private:
    // A port that has left a host since the last look is re-enumerated when
    // it comes back, so what that host removed there is present again.
    void followOwnership();

    const SwitchFirmware& firmware_;
    Form form_;
    std::array<int, 2> controllerPort_{0, 1};
    std::array<std::uint8_t, 2> lastOwned_{};
    std::array<std::uint8_t, 2> arriving_{};
    std::deque<Device> devices_;
};

}  // namespace pivora::sim
