#include "sim/switch_hub.h"

#include <cstdio>
#include <stdexcept>

#include "sim/switch_firmware.h"

namespace pivora::sim {

namespace {
std::size_t slot(Host host) { return static_cast<std::size_t>(host); }
}  // namespace

SwitchHub::SwitchHub(const SwitchFirmware& firmware, Form form) : firmware_(firmware), form_(form) {
    lastOwned_ = {firmware_.portsOf(Host::A), firmware_.portsOf(Host::B)};
}

void SwitchHub::setControllerPort(Host host, int port) {
    if (port != 0 && port != 1) throw std::invalid_argument("the controller sits on internal port 0 or 1");
    controllerPort_.at(slot(host)) = port;
}

int SwitchHub::controllerPort(Host host) const { return form_ == Form::TwoPort ? controllerPort_.at(slot(host)) : -1; }

bool SwitchHub::isUserPort(int port) const { return port >= (form_ == Form::TwoPort ? 2 : 0) && port < kPorts; }

int SwitchHub::plugDevice(int port, std::uint16_t vendorId, std::uint16_t productId, std::string description,
                          std::string path) {
    if (port < 0 || port >= kPorts) throw std::out_of_range("the switch hub has ports 0 to 3");
    for (Device& other : devices_)
        if (other.port == port) other.port = -1;
    const int id = static_cast<int>(devices_.size());
    if (path.empty()) {
        char text[128];
        (void)std::snprintf(text, sizeof text,
                            "\\\\?\\usb#vid_%04x&pid_%04x#%d&1c4b2a9&0&%d#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
                            vendorId, productId, 7 + id, port + 1);
        path = text;
    }
    Device added;
    added.port = port;
    added.vendorId = vendorId;
    added.productId = productId;
    added.description = std::move(description);
    added.path = std::move(path);
    devices_.push_back(std::move(added));
    return id;
}

void SwitchHub::unplugDevice(int device) {
    Device& unplugged = devices_.at(static_cast<std::size_t>(device));
    unplugged.port = -1;
    unplugged.removed = {false, false};
}

void SwitchHub::followOwnership() {
    for (Host host : {Host::A, Host::B}) {
        const std::uint8_t owned = firmware_.portsOf(host);
        const auto lost = static_cast<std::uint8_t>(lastOwned_.at(slot(host)) & ~owned);
        for (Device& device : devices_)
            if (device.port >= 0 && (lost & (1u << device.port)) != 0) device.removed.at(slot(host)) = false;
        lastOwned_.at(slot(host)) = owned;
    }
}

bool SwitchHub::visibleTo(Host host, int device) {
    followOwnership();
    const Device& seen = devices_.at(static_cast<std::size_t>(device));
    return seen.port >= 0 && isUserPort(seen.port) && (firmware_.portsOf(host) & (1u << seen.port)) != 0 &&
           (arriving_.at(slot(host)) & (1u << seen.port)) == 0 && !seen.removed.at(slot(host));
}

void SwitchHub::portsArriving(Host host, std::uint8_t ports) {
    arriving_.at(slot(host)) = static_cast<std::uint8_t>(arriving_.at(slot(host)) | ports);
    // Enumerated afresh there: what that host removed before is back.
    for (Device& device : devices_)
        if (device.port >= 0 && (ports & (1u << device.port)) != 0) device.removed.at(slot(host)) = false;
}

void SwitchHub::portsArrived(Host host, std::uint8_t ports) {
    arriving_.at(slot(host)) = static_cast<std::uint8_t>(arriving_.at(slot(host)) & ~ports);
}

bool SwitchHub::deviceOnPortsOf(Host host, std::uint8_t ports) const {
    for (const Device& device : devices_)
        if (device.port >= 0 && isUserPort(device.port) && (ports & (1u << device.port)) != 0 &&
            !device.removed.at(slot(host)))
            return true;
    return false;
}

int SwitchHub::deviceSeenBy(Host host, int port) {
    for (int id = 0; id < deviceCount(); ++id)
        if (devices_[static_cast<std::size_t>(id)].port == port && visibleTo(host, id)) return id;
    return -1;
}

bool SwitchHub::knownTo(Host host, int device) {
    return devices_.at(static_cast<std::size_t>(device)).known.at(slot(host)) || visibleTo(host, device);
}

void SwitchHub::markRemoved(Host host, int device) {
    followOwnership();
    devices_.at(static_cast<std::size_t>(device)).removed.at(slot(host)) = true;
}

}  // namespace pivora::sim
