#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_removal_api.h"
#include "platform/usb_hub_api.h"
#include "sim/host.h"
#include "sim/interface_entry.h"
#include "sim/switch_hub.h"

namespace pivora::sim {

// One computer's USB side behind the same seams as the real one: host
// controllers, a root hub each, hubs below hubs, devices on hub ports, the
// switch's hub (shared with the other computer) wherever it is plugged in,
// the Configuration Manager's removal calls and the Windows version. The hub
// I/O controls fill the published byte records (usb/hub_records.h) as the
// Windows drivers do: a name record too small for the name still succeeds,
// with ActualLength set and the name cut to fit. Every handle is counted.
//
// Nodes (root hubs, hubs, devices) are numbered in the order they are made;
// hub connections are numbered from 1, as the hub numbers them.
class SimUsbTree : public UsbHubApi, public DeviceRemovalApi {
public:
    enum class NameFault {
        None,
        EveryCallFails,  // even the probe for the record's size
        FullReadFails,   // the probe works; the call with the full buffer fails
    };

    struct ControllerFaults {
        bool detailFails = false;  // its interface path cannot be read
        bool openFails = false;
        NameFault rootHubName = NameFault::None;
        std::optional<std::uint32_t> rootHubNameLength;  // the ActualLength reported instead of the true one
    };

    struct HubFaults {
        bool openFails = false;
        bool nodeInformationFails = false;
    };

    struct PortFaults {
        bool connectionInformationFails = false;
        std::optional<std::uint32_t> status;  // reported instead of the true ConnectionStatus
        NameFault connectionName = NameFault::None;
        std::optional<std::uint32_t> connectionNameLength;  // the ActualLength reported instead of the true one
        NameFault driverKeyName = NameFault::None;
    };

    enum class RemovalKind { Eject, QueryAndRemove };
    struct RemovalCall {
        RemovalKind kind;
        std::uint32_t devInst;
        std::uint32_t flags;
        std::uint32_t nameLength;
        bool vetoCleared;  // the veto type was 0 and the veto name all zero bytes when the call came
    };

    struct IoctlCall {
        int controller;  // -1 for a hub
        int hub;         // -1 for a controller
        std::uint32_t code;
        std::uint32_t connection;  // from the input record; 0 when there is none
    };

    static constexpr std::uint32_t kCrNoSuchDevnode = 0x0000000D;

    explicit SimUsbTree(Host host = Host::A);
    SimUsbTree(const SimUsbTree&) = delete;
    SimUsbTree& operator=(const SimUsbTree&) = delete;

    // Population. An empty name or path gets one in the form Windows uses.
    // Returns the controller's index.
    int addController(int rootPorts = 4, std::u16string rootHubName = {}, std::string interfacePath = {});
    int rootHub(int controller) const;
    int addHub(int parentHub, int connection, std::uint16_t vendorId, std::uint16_t productId, int portCount,
               std::u16string name = {});
    int addDevice(int parentHub, int connection, std::uint16_t vendorId, std::uint16_t productId,
                  std::string description = {});
    // A device this computer has seen before but that is not plugged in now.
    int addKnownDevice(std::uint16_t vendorId, std::uint16_t productId, std::string description = {});
    // The first connection of the hub with nothing plugged into it, or -1.
    int freeConnection(int hub) const;
    // This computer's view of the switch's hub, on a port of its tree. Returns
    // the hub's node; faults are given to it like to any hub.
    int placeSwitchHub(int parentHub, int connection, SwitchHub& switchHub, std::u16string name = {});
    // The port also reports `hub`, which sits elsewhere: a looping tree.
    void linkPort(int parentHub, int connection, int hub);
    // Out of its port (the port reads as empty) and back; it stays known.
    void unplug(int node);
    void plug(int node);

    // Nodes.
    std::string hubName(int hub) const;  // as the ANSI conversion gives it
    std::string path(int device);        // its USB device interface path
    // The name of its software key: the hub's driver key name for its port
    // and the SPDRP_DRIVER of its device element alike.
    std::string driverKey(int node) const;
    std::uint32_t devInst(int node) const;
    bool present(int node);
    void setPath(int device, std::string path);
    void setDetailFails(int device, bool fails);
    // One more USB device interface of the same device, listed right after its
    // first (an interface an earlier driver registered and left behind, say).
    void addInterface(int device, std::string path);
    void refuseRemoval(int device, RemovalRefusal refusal);
    // A device or hub this computer sees now, where Linux would name it:
    // "usb<bus>" for a root hub, "<bus>-<port>" for what is on one of its
    // ports, then ".<port>" a hub further down.
    struct PresentNode {
        int node = -1;
        std::string place;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::string description;
        int ports = 0;              // a hub's downstream ports; 0 for a device
        int switchDevice = -1;      // the switch hub's device it is, if it is one
        bool switchController = false;
    };
    // Every present node, each hub before what hangs from it.
    std::vector<PresentNode> presentNodes();

    // The node through which this computer sees device `device` of the switch
    // hub placed as `switchHubNode`.
    int switchDeviceNode(int switchHubNode, int device);
    int switchControllerNode(int switchHubNode) const;

    // Faults. The references stay valid for the tree's life.
    ControllerFaults& controllerFaults(int controller);
    HubFaults& hubFaults(int hub);
    PortFaults& portFaults(int hub, int connection);

    // The Windows version GetVersionExA reports (default 6.1, NT, workstation).
    void setWindowsVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t platformId,
                           std::uint8_t productType);
    // Neither "GetVersionExA" nor "GetVersionEx" can be found.
    void removeVersionFunction() { versionFunctionMissing_ = true; }
    // The call is found but fails and writes nothing.
    void failVersionCall(bool fails) { versionCallFails_ = fails; }

    // Called whenever this computer's device tree changes: a device removed
    // safely here, or a port of the switch leaving or reaching this computer.
    // Windows then sends its windows WM_DEVICECHANGE.
    std::function<void()> onTreeChanged;
    // Told of every removal a device refused, with the refusing device's
    // index on the switch's hub (-1 for a device elsewhere in the tree).
    std::function<void(int switchDevice)> onRemovalRefused;
    void treeChanged() {
        if (onTreeChanged) onTreeChanged();
    }

    // Observation.
    int handlesOpen() const { return static_cast<int>(handles_.size()); }
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    int badReleases() const { return badReleases_; }
    bool allReleased() const { return handles_.empty() && badReleases_ == 0; }
    // Every hub opened, in order, by node.
    const std::vector<int>& hubsOpened() const { return hubsOpened_; }
    const std::vector<IoctlCall>& ioctls() const { return ioctls_; }
    int ioctlCount(int hub, std::uint32_t code) const;
    const std::vector<RemovalCall>& removalCalls() const { return removalCalls_; }

    // The interfaces of each class, for the computer's device sets.
    std::vector<InterfaceEntry> controllerEntries() const;
    std::vector<InterfaceEntry> deviceEntries(bool presentOnly);

    // UsbHubApi
    OsHandle openDevice(const char* path) override;
    int ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                  std::uint32_t outSize) override;
    int closeHandle(OsHandle device) override;
    int wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) override;

    // DeviceRemovalApi
    std::uint32_t requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                     std::uint32_t nameLength, std::uint32_t flags) override;
    std::uint32_t queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                        std::uint32_t nameLength, std::uint32_t flags) override;
    int getVersionEx(std::uint8_t* record) override;

    // How long a removal call naming `devInst` takes to answer: the removal
    // time of the switch's device it names, while this computer sees it; 0
    // for anything else. The calls above answer at once whatever it is: who
    // serves them makes the caller wait (SimComputer's removal seam, or
    // switchsim's session).
    std::uint32_t removalDelayMs(std::uint32_t devInst);

private:
    enum class Kind { RootHub, Hub, Device, SwitchHubView, SwitchController, SwitchDevice };

    struct Port {
        int node = -1;
        PortFaults faults;
    };

    struct Node {
        Kind kind = Kind::Device;
        int parent = -1;
        int connection = 0;
        bool plugged = true;
        bool removed = false;
        bool knownOnly = false;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::uint32_t devInst = 0;
        std::string description;
        std::string path;
        std::vector<std::string> moreInterfaces;
        bool detailFails = false;
        std::optional<RemovalRefusal> refusal;
        // Hubs.
        std::u16string name;
        std::vector<Port> ports;
        HubFaults hubFaults;
        // The switch hub's view and what is seen through it.
        SwitchHub* switchHub = nullptr;
        int switchDevice = -1;
        int controllerNode = -1;
        std::map<int, int> deviceNodes;
    };

    struct Controller {
        std::string path;
        int rootHub;
        std::uint32_t devInst;
        ControllerFaults faults;
    };

    struct Handle {
        int controller;  // -1 for a hub
        int hub;
    };

    Node& node(int id) { return nodes_.at(static_cast<std::size_t>(id)); }
    const Node& node(int id) const { return nodes_.at(static_cast<std::size_t>(id)); }
    static bool isHub(Kind kind) { return kind == Kind::RootHub || kind == Kind::Hub || kind == Kind::SwitchHubView; }
    int newNode(Node added);
    Port& freePort(int hub, int connection);
    bool known(int id);
    // The node connected to a hub's port now, or -1.
    int attachedAt(int hub, int connection);
    void seeSwitchDevices();
    std::u16string defaultHubName(std::uint16_t vendorId, std::uint16_t productId, std::uint32_t devInst) const;

    int rootHubName(const Controller& controller, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                    std::uint32_t outSize);
    int nodeInformation(int hub, std::uint8_t* out, std::uint32_t outSize);
    // The port a connection record's ConnectionIndex names, or nullptr.
    const Port* portAsked(int hub, const std::uint8_t* in, std::uint32_t inSize, std::uint32_t* connectionOut) const;
    int connectionInformation(int hub, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                              std::uint32_t outSize);
    int connectionName(int hub, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize);
    int connectionDriverKeyName(int hub, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                                std::uint32_t outSize);
    // The present node, other than a root hub, that `devInst` names, or -1.
    int removalTarget(std::uint32_t devInst);
    std::uint32_t remove(RemovalKind kind, std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                         std::uint32_t nameLength, std::uint32_t flags);

    Host host_;
    std::deque<Node> nodes_;
    std::deque<Controller> controllers_;
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x20000;
    std::uint32_t nextDevInst_ = 0x11;
    int opens_ = 0;
    int closes_ = 0;
    int badReleases_ = 0;
    std::vector<int> hubsOpened_;
    std::vector<IoctlCall> ioctls_;
    std::vector<RemovalCall> removalCalls_;
    std::uint32_t versionMajor_ = 6;
    std::uint32_t versionMinor_ = 1;
    std::uint32_t versionPlatformId_ = 2;
    std::uint8_t versionProductType_ = 1;
    bool versionFunctionMissing_ = false;
    bool versionCallFails_ = false;
};

}  // namespace pivora::sim
