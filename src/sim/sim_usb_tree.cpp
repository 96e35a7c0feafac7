#include "sim/sim_usb_tree.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "platform/byte_order.h"
#include "usb/hub_records.h"

namespace pivora::sim {

namespace {

constexpr const char* kHubGuid = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
constexpr const char* kUsbDeviceGuid = "{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
constexpr const char* kHostControllerGuid = "{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";
constexpr const char* kUsbClassGuid = "{36fc9e60-c465-11cf-8056-444553540000}";
// The root hub's ID as Linux gives it (the Linux Foundation's 2.0 root hub).
constexpr std::uint16_t kLinuxRootHubVendorId = 0x1D6B;
constexpr std::uint16_t kLinuxRootHubProductId = 0x0002;
constexpr const char* kOpenPrefix = "\\\\.\\";
constexpr std::size_t kOpenPrefixLength = 4;

// Neither record is accepted by the drivers in a buffer smaller than its
// declared struct: USB_ROOT_HUB_NAME (6 bytes), USB_NODE_CONNECTION_NAME (10).
constexpr std::uint32_t kRootHubNameMinimum = 6;
constexpr std::uint32_t kConnectionNameMinimum = 10;
// USB_NODE_CONNECTION_INFORMATION without its pipe list.
constexpr std::uint32_t kConnectionInformationFixedPart = 35;

constexpr std::uint32_t kVersionRecordBaseSize = 148;  // OSVERSIONINFOA

std::uintptr_t keyOf(OsHandle handle) { return reinterpret_cast<std::uintptr_t>(handle); }

std::u16string widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

char narrowed(char16_t c) { return c < 0x80 ? static_cast<char>(c) : '?'; }

template <typename... Values>
std::string formatted(const char* format, Values... values) {
    char text[160];
    (void)std::snprintf(text, sizeof text, format, values...);
    return text;
}

// Writes a name record as the drivers do: ActualLength is the size of the
// whole record that holds the terminated name; the name is cut to what the
// buffer holds, unterminated if need be, and the call still succeeds.
void fillNameRecord(const std::u16string& name, std::uint32_t textOffset, std::uint32_t lengthOffset,
                    const std::optional<std::uint32_t>& reportedLength, std::uint8_t* out, std::uint32_t outSize) {
    const auto nameBytes = static_cast<std::uint32_t>((name.size() + 1) * 2);
    writeLe32(out + lengthOffset, reportedLength.value_or(textOffset + nameBytes));
    const std::uint32_t room = std::min(outSize - textOffset, nameBytes);
    for (std::uint32_t byte = 0; byte < room; ++byte) {
        const std::size_t index = byte / 2;
        const char16_t c = index < name.size() ? name[index] : u'\0';
        out[textOffset + byte] = static_cast<std::uint8_t>(byte % 2 == 0 ? c & 0xFF : c >> 8);
    }
}

bool nameCallFails(SimUsbTree::NameFault fault, std::uint32_t outSize, std::uint32_t probeSize) {
    return fault == SimUsbTree::NameFault::EveryCallFails ||
           (fault == SimUsbTree::NameFault::FullReadFails && outSize > probeSize);
}

}  // namespace

SimUsbTree::SimUsbTree(Host host) : host_(host) {}

int SimUsbTree::newNode(Node added) {
    added.devInst = nextDevInst_++;
    nodes_.push_back(std::move(added));
    return static_cast<int>(nodes_.size()) - 1;
}

std::u16string SimUsbTree::defaultHubName(std::uint16_t vendorId, std::uint16_t productId,
                                          std::uint32_t devInst) const {
    return widen(formatted("USB#VID_%04X&PID_%04X#6&3a9d1e&0&%u#", unsigned{vendorId}, unsigned{productId}, devInst) +
                 kHubGuid);
}

int SimUsbTree::addController(int rootPorts, std::u16string rootHubName, std::string interfacePath) {
    const auto index = static_cast<unsigned>(controllers_.size());
    if (rootHubName.empty()) rootHubName = widen(formatted("USB#ROOT_HUB20#4&1b8c2f3&0&%u#", index) + kHubGuid);
    if (interfacePath.empty())
        interfacePath = formatted("\\\\?\\pci#ven_8086&dev_%04x#3&11583659&0&%02x#", 0x1e2d + index, 0xd0 + 8 * index) +
                        kHostControllerGuid;
    Node root;
    root.kind = Kind::RootHub;
    root.name = std::move(rootHubName);
    root.ports.resize(static_cast<std::size_t>(rootPorts));
    const int rootNode = newNode(std::move(root));
    controllers_.push_back({std::move(interfacePath), rootNode, nextDevInst_++, {}});
    return static_cast<int>(index);
}

int SimUsbTree::rootHub(int controller) const { return controllers_.at(static_cast<std::size_t>(controller)).rootHub; }

SimUsbTree::Port& SimUsbTree::freePort(int hub, int connection) {
    Node& parent = node(hub);
    if (!isHub(parent.kind)) throw std::invalid_argument("only a hub has ports");
    if (parent.kind == Kind::SwitchHubView)
        throw std::invalid_argument("devices go onto the switch hub through SwitchHub::plugDevice");
    if (connection < 1 || connection > static_cast<int>(parent.ports.size()))
        throw std::out_of_range("no such connection on this hub");
    Port& port = parent.ports[static_cast<std::size_t>(connection - 1)];
    if (port.node >= 0 && node(port.node).plugged) throw std::invalid_argument("the port is taken");
    return port;
}

int SimUsbTree::freeConnection(int hub) const {
    const Node& parent = node(hub);
    if (!isHub(parent.kind) || parent.kind == Kind::SwitchHubView) return -1;
    for (std::size_t index = 0; index < parent.ports.size(); ++index) {
        const int attached = parent.ports[index].node;
        if (attached < 0 || !node(attached).plugged) return static_cast<int>(index) + 1;
    }
    return -1;
}

int SimUsbTree::addHub(int parentHub, int connection, std::uint16_t vendorId, std::uint16_t productId, int portCount,
                       std::u16string name) {
    Port& port = freePort(parentHub, connection);
    Node added;
    added.kind = Kind::Hub;
    added.parent = parentHub;
    added.connection = connection;
    added.vendorId = vendorId;
    added.productId = productId;
    added.ports.resize(static_cast<std::size_t>(portCount));
    const int id = newNode(std::move(added));
    Node& hub = node(id);
    hub.name = name.empty() ? defaultHubName(vendorId, productId, hub.devInst) : std::move(name);
    port.node = id;
    return id;
}

int SimUsbTree::addDevice(int parentHub, int connection, std::uint16_t vendorId, std::uint16_t productId,
                          std::string description) {
    Port& port = freePort(parentHub, connection);
    Node added;
    added.kind = Kind::Device;
    added.parent = parentHub;
    added.connection = connection;
    added.vendorId = vendorId;
    added.productId = productId;
    added.description = std::move(description);
    const int id = newNode(std::move(added));
    port.node = id;
    return id;
}

int SimUsbTree::addKnownDevice(std::uint16_t vendorId, std::uint16_t productId, std::string description) {
    Node added;
    added.kind = Kind::Device;
    added.knownOnly = true;
    added.plugged = false;
    added.vendorId = vendorId;
    added.productId = productId;
    added.description = std::move(description);
    return newNode(std::move(added));
}

int SimUsbTree::placeSwitchHub(int parentHub, int connection, SwitchHub& switchHub, std::u16string name) {
    Port& port = freePort(parentHub, connection);
    Node view;
    view.kind = Kind::SwitchHubView;
    view.parent = parentHub;
    view.connection = connection;
    view.vendorId = SwitchHub::kVendorId;
    view.productId = SwitchHub::kProductId;
    view.description = "Generic USB Hub";
    view.ports.resize(SwitchHub::kPorts);
    view.switchHub = &switchHub;
    const int id = newNode(std::move(view));
    port.node = id;
    if (name.empty()) name = defaultHubName(SwitchHub::kVendorId, SwitchHub::kProductId, node(id).devInst);
    node(id).name = std::move(name);

    Node controller;
    controller.kind = Kind::SwitchController;
    controller.parent = id;
    controller.vendorId = SwitchHub::kControllerVendorId;
    controller.productId = SwitchHub::kControllerProductId;
    controller.description = "USB Input Device";
    node(id).controllerNode = newNode(std::move(controller));
    return id;
}

void SimUsbTree::linkPort(int parentHub, int connection, int hub) {
    if (!isHub(node(hub).kind)) throw std::invalid_argument("only a hub can be linked");
    freePort(parentHub, connection).node = hub;
}

void SimUsbTree::unplug(int id) {
    if (node(id).kind == Kind::SwitchDevice || node(id).kind == Kind::RootHub)
        throw std::invalid_argument("not on a port of this tree");
    node(id).plugged = false;
}

void SimUsbTree::plug(int id) {
    Node& plugged = node(id);
    if (plugged.kind == Kind::SwitchDevice || plugged.knownOnly)
        throw std::invalid_argument("not on a port of this tree");
    if (plugged.kind != Kind::SwitchController &&
        node(plugged.parent).ports[static_cast<std::size_t>(plugged.connection - 1)].node != id)
        throw std::invalid_argument("the port was taken meanwhile");
    plugged.plugged = true;
    plugged.removed = false;  // plugged in again, it starts afresh
}

std::string SimUsbTree::hubName(int hub) const {
    std::string text;
    for (char16_t c : node(hub).name) text += narrowed(c);
    return text;
}

std::string SimUsbTree::path(int device) {
    const Node& shown = node(device);
    if (shown.kind == Kind::SwitchDevice) return node(shown.parent).switchHub->device(shown.switchDevice).path;
    if (!shown.path.empty()) return shown.path;
    return formatted("\\\\?\\usb#vid_%04x&pid_%04x#6&2f61c0a&0&%u#", unsigned{shown.vendorId},
                     unsigned{shown.productId}, shown.devInst) +
           kUsbDeviceGuid;
}

std::uint32_t SimUsbTree::devInst(int id) const { return node(id).devInst; }

std::string SimUsbTree::driverKey(int id) const {
    return std::string(kUsbClassGuid) + formatted("\\%04u", node(id).devInst);
}

bool SimUsbTree::present(int id) {
    const Node& shown = node(id);
    if (shown.kind == Kind::RootHub) return true;
    if (shown.knownOnly || !shown.plugged || shown.removed || shown.parent < 0 || !present(shown.parent)) return false;
    const Node& parent = node(shown.parent);
    if (shown.kind == Kind::SwitchController) return parent.switchHub->controllerPort(host_) >= 0;
    if (shown.kind == Kind::SwitchDevice) return parent.switchHub->visibleTo(host_, shown.switchDevice);
    return true;
}

bool SimUsbTree::known(int id) {
    const Node& shown = node(id);
    if (shown.kind == Kind::RootHub) return false;
    if (shown.kind == Kind::SwitchDevice) return node(shown.parent).switchHub->knownTo(host_, shown.switchDevice);
    return true;
}

void SimUsbTree::setPath(int device, std::string newPath) {
    if (node(device).kind == Kind::SwitchDevice) throw std::invalid_argument("set it on the SwitchHub's device");
    node(device).path = std::move(newPath);
}

void SimUsbTree::setDetailFails(int device, bool fails) { node(device).detailFails = fails; }

void SimUsbTree::addInterface(int device, std::string interfacePath) {
    node(device).moreInterfaces.push_back(std::move(interfacePath));
}

void SimUsbTree::refuseRemoval(int device, RemovalRefusal refusal) { node(device).refusal = std::move(refusal); }

int SimUsbTree::switchDeviceNode(int switchHubNode, int device) {
    Node& view = node(switchHubNode);
    if (view.kind != Kind::SwitchHubView) throw std::invalid_argument("not the switch hub");
    auto seen = view.deviceNodes.find(device);
    if (seen != view.deviceNodes.end()) return seen->second;
    view.switchHub->device(device);  // throws for a device the hub does not have
    Node mirror;
    mirror.kind = Kind::SwitchDevice;
    mirror.parent = switchHubNode;
    mirror.switchDevice = device;
    const int id = newNode(std::move(mirror));
    node(switchHubNode).deviceNodes.emplace(device, id);
    return id;
}

int SimUsbTree::switchControllerNode(int switchHubNode) const { return node(switchHubNode).controllerNode; }

void SimUsbTree::seeSwitchDevices() {
    const std::size_t count = nodes_.size();
    for (std::size_t id = 0; id < count; ++id) {
        if (nodes_[id].kind != Kind::SwitchHubView) continue;
        for (int device = 0; device < nodes_[id].switchHub->deviceCount(); ++device)
            switchDeviceNode(static_cast<int>(id), device);
    }
}

SimUsbTree::ControllerFaults& SimUsbTree::controllerFaults(int controller) {
    return controllers_.at(static_cast<std::size_t>(controller)).faults;
}

SimUsbTree::HubFaults& SimUsbTree::hubFaults(int hub) {
    if (!isHub(node(hub).kind)) throw std::invalid_argument("not a hub");
    return node(hub).hubFaults;
}

SimUsbTree::PortFaults& SimUsbTree::portFaults(int hub, int connection) {
    return node(hub).ports.at(static_cast<std::size_t>(connection - 1)).faults;
}

void SimUsbTree::setWindowsVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t platformId,
                                   std::uint8_t productType) {
    versionMajor_ = major;
    versionMinor_ = minor;
    versionPlatformId_ = platformId;
    versionProductType_ = productType;
    versionFunctionMissing_ = false;
}

int SimUsbTree::ioctlCount(int hub, std::uint32_t code) const {
    return static_cast<int>(std::count_if(ioctls_.begin(), ioctls_.end(),
                                          [&](const IoctlCall& call) { return call.hub == hub && call.code == code; }));
}

std::vector<InterfaceEntry> SimUsbTree::controllerEntries() const {
    std::vector<InterfaceEntry> entries;
    for (const Controller& controller : controllers_) {
        InterfaceEntry entry;
        entry.path = controller.path;
        entry.devInst = controller.devInst;
        entry.description = "Standard Enhanced PCI to USB Host Controller";
        entry.detailFails = controller.faults.detailFails;
        entries.push_back(entry);
    }
    return entries;
}

std::vector<InterfaceEntry> SimUsbTree::deviceEntries(bool presentOnly) {
    seeSwitchDevices();
    std::vector<InterfaceEntry> entries;
    for (std::size_t index = 0; index < nodes_.size(); ++index) {
        const int id = static_cast<int>(index);
        const Node& listed = nodes_[index];
        if (listed.kind == Kind::RootHub || !(present(id) || (!presentOnly && known(id)))) continue;
        InterfaceEntry entry;
        entry.path = path(id);
        entry.devInst = listed.devInst;
        entry.driverKey = driverKey(id);
        if (listed.kind == Kind::SwitchDevice) {
            const SwitchHub::Device& device = node(listed.parent).switchHub->device(listed.switchDevice);
            entry.description = device.description;
            entry.detailFails = device.detailFails;
        } else {
            entry.description = listed.description;
            entry.detailFails = listed.detailFails;
        }
        entries.push_back(entry);
        for (const std::string& more : listed.moreInterfaces) {
            entry.path = more;
            entries.push_back(entry);
        }
    }
    // SetupAPI lists a class's interfaces in the order of their keys in the
    // registry, which keeps names sorted without regard to case: devices of
    // one make by their serial numbers or instance IDs, not by where they are.
    const auto lowered = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const InterfaceEntry& a, const InterfaceEntry& b) {
        return lowered(a.path) < lowered(b.path);
    });
    return entries;
}

std::vector<SimUsbTree::PresentNode> SimUsbTree::presentNodes() {
    seeSwitchDevices();
    std::vector<PresentNode> present;
    // Depth first from each root hub; the tree's own nodes hold no loops
    // but a port linked elsewhere (linkPort) may, so a node is listed once.
    std::vector<bool> listed(nodes_.size(), false);
    std::function<void(int, const std::string&)> below = [&](int hub, const std::string& place) {
        for (std::size_t port = 1; port <= node(hub).ports.size(); ++port) {
            const int id = attachedAt(hub, static_cast<int>(port));
            if (id < 0 || listed.at(static_cast<std::size_t>(id))) continue;
            listed.at(static_cast<std::size_t>(id)) = true;
            const Node& shown = node(id);
            const std::string at = place.compare(0, 3, "usb") == 0 ? place.substr(3) + "-" + std::to_string(port)
                                                                   : place + "." + std::to_string(port);
            PresentNode entry;
            entry.node = id;
            entry.place = at;
            entry.vendorId = shown.vendorId;
            entry.productId = shown.productId;
            entry.description = shown.description;
            if (shown.kind == Kind::SwitchDevice) {
                // The switch's hub holds what is plugged into it.
                const SwitchHub::Device& switched = node(shown.parent).switchHub->device(shown.switchDevice);
                entry.vendorId = switched.vendorId;
                entry.productId = switched.productId;
                entry.description = switched.description;
            }
            entry.ports = isHub(shown.kind) ? static_cast<int>(shown.ports.size()) : 0;
            entry.switchDevice = shown.kind == Kind::SwitchDevice ? shown.switchDevice : -1;
            entry.switchController = shown.kind == Kind::SwitchController;
            present.push_back(entry);
            if (isHub(shown.kind)) below(id, at);
        }
    };
    for (std::size_t index = 0; index < controllers_.size(); ++index) {
        const int root = controllers_[index].rootHub;
        PresentNode entry;
        entry.node = root;
        entry.place = "usb" + std::to_string(index + 1);
        entry.vendorId = kLinuxRootHubVendorId;
        entry.productId = kLinuxRootHubProductId;
        entry.ports = static_cast<int>(node(root).ports.size());
        present.push_back(entry);
        below(root, entry.place);
    }
    return present;
}

int SimUsbTree::attachedAt(int hub, int connection) {
    Node& parent = node(hub);
    if (parent.kind == Kind::SwitchHubView) {
        const int port = connection - 1;
        if (port == parent.switchHub->controllerPort(host_))
            return present(parent.controllerNode) ? parent.controllerNode : -1;
        const int device = parent.switchHub->deviceSeenBy(host_, port);
        if (device < 0) return -1;
        const int id = switchDeviceNode(hub, device);
        return present(id) ? id : -1;
    }
    const int id = parent.ports[static_cast<std::size_t>(connection - 1)].node;
    return id >= 0 && present(id) ? id : -1;
}

OsHandle SimUsbTree::openDevice(const char* devicePath) {
    if (devicePath == nullptr) return nullptr;
    Handle opened{-1, -1};
    for (std::size_t index = 0; index < controllers_.size() && opened.controller < 0; ++index) {
        if (controllers_[index].path != devicePath) continue;
        if (controllers_[index].faults.openFails) return nullptr;
        opened.controller = static_cast<int>(index);
    }
    if (opened.controller < 0) {
        if (std::strncmp(devicePath, kOpenPrefix, kOpenPrefixLength) != 0) return nullptr;
        const std::string name = devicePath + kOpenPrefixLength;
        for (std::size_t index = 0; index < nodes_.size() && opened.hub < 0; ++index) {
            const int id = static_cast<int>(index);
            if (!isHub(nodes_[index].kind) || hubName(id) != name || !present(id)) continue;
            if (nodes_[index].hubFaults.openFails) return nullptr;
            opened.hub = id;
        }
        if (opened.hub < 0) return nullptr;
        hubsOpened_.push_back(opened.hub);
    }
    const std::uintptr_t key = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(key, opened);
    ++opens_;
    return reinterpret_cast<OsHandle>(key);
}

int SimUsbTree::closeHandle(OsHandle device) {
    if (handles_.erase(keyOf(device)) == 0) {
        ++badReleases_;
        return 0;
    }
    ++closes_;
    return 1;
}

int SimUsbTree::ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize,
                          std::uint8_t* out, std::uint32_t outSize) {
    auto found = handles_.find(keyOf(device));
    if (found == handles_.end()) {
        ++badReleases_;  // I/O on a handle this tree never gave out, or one already closed
        return 0;
    }
    const Handle handle = found->second;
    const std::uint32_t connection = in != nullptr && inSize >= 4 ? readLe32(in) : 0;
    ioctls_.push_back({handle.controller, handle.hub, code, connection});
    if (handle.controller >= 0) {
        if (code != hub::kIoctlGetRootHubName) return 0;
        return rootHubName(controllers_[static_cast<std::size_t>(handle.controller)], in, inSize, out, outSize);
    }
    if (!present(handle.hub)) return 0;  // unplugged since it was opened
    switch (code) {
        case hub::kIoctlGetNodeInformation:
            return nodeInformation(handle.hub, out, outSize);
        case hub::kIoctlGetNodeConnectionInformation:
            return connectionInformation(handle.hub, in, inSize, out, outSize);
        case hub::kIoctlGetNodeConnectionName:
            return connectionName(handle.hub, in, inSize, out, outSize);
        case hub::kIoctlGetNodeConnectionDriverKeyName:
            return connectionDriverKeyName(handle.hub, in, inSize, out, outSize);
        default:
            return 0;
    }
}

int SimUsbTree::rootHubName(const Controller& controller, const std::uint8_t*, std::uint32_t, std::uint8_t* out,
                            std::uint32_t outSize) {
    if (out == nullptr || outSize < kRootHubNameMinimum) return 0;
    if (nameCallFails(controller.faults.rootHubName, outSize, hub::kRootHubNameProbeSize)) return 0;
    fillNameRecord(node(controller.rootHub).name, hub::kRootHubNameText, hub::kRootHubNameActualLength,
                   controller.faults.rootHubNameLength, out, outSize);
    return 1;
}

int SimUsbTree::nodeInformation(int hubNode, std::uint8_t* out, std::uint32_t outSize) {
    const Node& shown = node(hubNode);
    if (out == nullptr || outSize < hub::kNodeInformationSize || shown.hubFaults.nodeInformationFails) return 0;
    std::memset(out, 0, hub::kNodeInformationSize);
    out[4] = 9;     // bDescriptorLength
    out[5] = 0x29;  // bDescriptorType: hub
    out[hub::kNodeInformationPortCount] = static_cast<std::uint8_t>(shown.ports.size());
    out[9] = 50;    // bPowerOnToPowerGood, in 2 ms units
    out[10] = 100;  // bHubControlCurrent
    return 1;
}

const SimUsbTree::Port* SimUsbTree::portAsked(int hubNode, const std::uint8_t* in, std::uint32_t inSize,
                                              std::uint32_t* connectionOut) const {
    // Every connection record starts with its ConnectionIndex.
    if (in == nullptr || inSize < 4) return nullptr;
    const std::uint32_t connection = readLe32(in);
    const Node& parent = node(hubNode);
    if (connection < 1 || connection > parent.ports.size()) return nullptr;
    *connectionOut = connection;
    return &parent.ports[connection - 1];
}

int SimUsbTree::connectionInformation(int hubNode, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                                      std::uint32_t outSize) {
    std::uint32_t connection = 0;
    const Port* port = portAsked(hubNode, in, inSize, &connection);
    if (port == nullptr || out == nullptr || outSize < kConnectionInformationFixedPart) return 0;
    const PortFaults faults = port->faults;
    if (faults.connectionInformationFails) return 0;

    const int attached = attachedAt(hubNode, static_cast<int>(connection));
    std::memset(out, 0, std::min(outSize, hub::kConnectionInformationSize));
    writeLe32(out + hub::kConnectionIndex, connection);
    if (attached >= 0) {
        const Node& device = node(attached);
        std::uint16_t vendorId = device.vendorId;
        std::uint16_t productId = device.productId;
        bool deviceIsHub = isHub(device.kind);
        if (device.kind == Kind::SwitchDevice) {
            const SwitchHub::Device& onSwitch = node(device.parent).switchHub->device(device.switchDevice);
            vendorId = onSwitch.vendorId;
            productId = onSwitch.productId;
            deviceIsHub = onSwitch.isHub;
        }
        out[4] = 18;  // bLength of the device descriptor
        out[5] = 1;   // bDescriptorType: device
        writeLe16(out + 6, 0x0200);
        out[8] = deviceIsHub ? 9 : 0;  // bDeviceClass
        out[11] = 64;                  // bMaxPacketSize0
        writeLe16(out + hub::kConnectionVendorId, vendorId);
        writeLe16(out + hub::kConnectionProductId, productId);
        writeLe16(out + 16, 0x0100);  // bcdDevice
        out[21] = 1;                  // bNumConfigurations
        out[22] = 1;                  // CurrentConfigurationValue
        out[hub::kConnectionDeviceIsHub] = deviceIsHub ? 1 : 0;
        writeLe16(out + 25, static_cast<std::uint16_t>(1 + attached % 126));  // DeviceAddress
    }
    writeLe32(out + hub::kConnectionStatus, faults.status.value_or(attached >= 0 ? hub::kDeviceConnected : 0));
    return 1;
}

int SimUsbTree::connectionName(int hubNode, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                               std::uint32_t outSize) {
    std::uint32_t connection = 0;
    const Port* port = portAsked(hubNode, in, inSize, &connection);
    if (port == nullptr || out == nullptr || outSize < kConnectionNameMinimum) return 0;
    const PortFaults faults = port->faults;
    if (nameCallFails(faults.connectionName, outSize, hub::kConnectionNameProbeSize)) return 0;

    // A port without a hub answers with the empty name.
    const int attached = attachedAt(hubNode, static_cast<int>(connection));
    const std::u16string name = attached >= 0 && isHub(node(attached).kind) ? node(attached).name : std::u16string();
    writeLe32(out + hub::kConnectionNameIndex, connection);
    fillNameRecord(name, hub::kConnectionNameText, hub::kConnectionNameActualLength, faults.connectionNameLength, out,
                   outSize);
    return 1;
}

int SimUsbTree::connectionDriverKeyName(int hubNode, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                                        std::uint32_t outSize) {
    std::uint32_t connection = 0;
    const Port* port = portAsked(hubNode, in, inSize, &connection);
    if (port == nullptr || out == nullptr || outSize < kConnectionNameMinimum) return 0;
    if (nameCallFails(port->faults.driverKeyName, outSize, hub::kConnectionNameProbeSize)) return 0;
    // An empty port has no device, so no software key: the driver fails the call.
    const int attached = attachedAt(hubNode, static_cast<int>(connection));
    if (attached < 0) return 0;
    writeLe32(out + hub::kConnectionNameIndex, connection);
    fillNameRecord(widen(driverKey(attached)), hub::kConnectionNameText, hub::kConnectionNameActualLength, std::nullopt,
                   out, outSize);
    return 1;
}

int SimUsbTree::wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) {
    if (utf16le == nullptr || outSize < 0) return 0;
    std::string text;
    for (const std::uint8_t* at = utf16le;; at += 2) {
        const auto c = static_cast<char16_t>(readLe16(at));
        if (c == u'\0') break;
        text += narrowed(c);
    }
    const int needed = static_cast<int>(text.size()) + 1;
    if (outSize == 0) return needed;  // the size query
    if (out == nullptr) return 0;
    if (needed > outSize) {
        // Too small: fails, having filled the buffer with the text's start.
        std::memcpy(out, text.data(), static_cast<std::size_t>(outSize));
        return 0;
    }
    std::memcpy(out, text.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

int SimUsbTree::removalTarget(std::uint32_t devInstToRemove) {
    for (std::size_t index = 0; index < nodes_.size(); ++index)
        if (nodes_[index].devInst == devInstToRemove && nodes_[index].kind != Kind::RootHub)
            return present(static_cast<int>(index)) ? static_cast<int>(index) : -1;
    return -1;
}

std::uint32_t SimUsbTree::removalDelayMs(std::uint32_t devInstToRemove) {
    const int target = removalTarget(devInstToRemove);
    if (target < 0 || node(target).kind != Kind::SwitchDevice) return 0;
    const Node& seen = node(target);
    return node(seen.parent).switchHub->device(seen.switchDevice).removalMs;
}

std::uint32_t SimUsbTree::remove(RemovalKind kind, std::uint32_t devInstToRemove, std::uint32_t* vetoType,
                                 char* vetoName, std::uint32_t nameLength, std::uint32_t flags) {
    bool vetoCleared = vetoType == nullptr || *vetoType == 0;
    for (std::uint32_t byte = 0; vetoName != nullptr && byte < nameLength; ++byte)
        vetoCleared = vetoCleared && vetoName[byte] == '\0';
    removalCalls_.push_back({kind, devInstToRemove, flags, nameLength, vetoCleared});
    const int target = removalTarget(devInstToRemove);
    if (target < 0) return kCrNoSuchDevnode;

    Node& removed = node(target);
    SwitchHub* switchHub = removed.kind == Kind::SwitchDevice ? node(removed.parent).switchHub : nullptr;
    const std::optional<RemovalRefusal>& refusal =
        switchHub != nullptr ? switchHub->device(removed.switchDevice).refusal : removed.refusal;
    if (refusal) {
        if (onRemovalRefused) onRemovalRefused(switchHub != nullptr ? removed.switchDevice : -1);
        if (vetoType != nullptr) *vetoType = refusal->vetoType;
        if (vetoName != nullptr && nameLength > 0) {
            const std::size_t copied = std::min<std::size_t>(refusal->vetoName.size(), nameLength - 1);
            std::memcpy(vetoName, refusal->vetoName.data(), copied);
            vetoName[copied] = '\0';
        }
        return refusal->result;
    }
    if (switchHub != nullptr)
        switchHub->markRemoved(host_, removed.switchDevice);
    else
        removed.removed = true;
    treeChanged();
    return 0;
}

std::uint32_t SimUsbTree::requestDeviceEject(std::uint32_t devInstToRemove, std::uint32_t* vetoType, char* vetoName,
                                             std::uint32_t nameLength, std::uint32_t flags) {
    return remove(RemovalKind::Eject, devInstToRemove, vetoType, vetoName, nameLength, flags);
}

std::uint32_t SimUsbTree::queryAndRemoveSubTree(std::uint32_t devInstToRemove, std::uint32_t* vetoType, char* vetoName,
                                                std::uint32_t nameLength, std::uint32_t flags) {
    return remove(RemovalKind::QueryAndRemove, devInstToRemove, vetoType, vetoName, nameLength, flags);
}

int SimUsbTree::getVersionEx(std::uint8_t* record) {
    if (versionFunctionMissing_) return -1;
    if (record == nullptr || versionCallFails_) return 0;
    const std::uint32_t size = readLe32(record + osversion::kSizeOffset);
    if (size != osversion::kSize && size != kVersionRecordBaseSize) return 0;
    writeLe32(record + osversion::kMajorOffset, versionMajor_);
    writeLe32(record + osversion::kMinorOffset, versionMinor_);
    writeLe32(record + 12, versionMajor_ >= 6 ? 7601 : 2600);  // build number
    writeLe32(record + osversion::kPlatformIdOffset, versionPlatformId_);
    if (size == osversion::kSize) record[osversion::kProductTypeOffset] = versionProductType_;
    return 1;
}

}  // namespace pivora::sim
