#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/byte_order.h"
#include "platform/interface_path.h"
#include "usb/hub_records.h"
#include "usb/usb_topology.h"

namespace pivora {

UsbTopology::UsbTopology(DeviceInterfaceApi& interfaces, UsbHubApi& hubs) : interfaces_(interfaces), hubs_(hubs) {}

UsbTopology::ScopedHub UsbTopology::openHub(const char* hubName) {
    // An empty name cannot be opened; nor can a name too long for a name buffer.
    OsHandle device = nullptr;
    if (hubName != nullptr && hubName[0] != '\0' && strnlen(hubName, kNameSize) < kNameSize) {
        char path[kNameSize + 4];
        (void)std::snprintf(path, sizeof path, "\\\\.\\%s", hubName);
        device = hubs_.openDevice(path);
    }
    return ScopedHub(device, HubRelease{&hubs_});
}

void UsbTopology::convertName(const std::uint8_t* utf16le, char* nameOut) {
    // A name that does not fit whole is no name: cut short, it could open another device.
    if (hubs_.wideToAnsi(utf16le, nameOut, kNameConversionLimit) == 0)
        std::memset(nameOut, 0, static_cast<std::size_t>(kNameConversionLimit));
}

int UsbTopology::readNameRecord(OsHandle device, std::uint32_t ioctl, std::uint32_t probeSize,
                                std::uint32_t lengthOffset, std::uint32_t nameOffset,
                                const std::uint32_t* connectionIndex, char* nameOut) {
    nameOut[0] = '\0';
    // The probe learns the whole record's size; a second call of that size fills it.
    std::vector<std::uint8_t> record(probeSize, 0);
    if (connectionIndex != nullptr) writeLe32(record.data(), *connectionIndex);
    std::uint8_t* in = connectionIndex != nullptr ? record.data() : nullptr;
    const std::uint32_t inSize = connectionIndex != nullptr ? probeSize : 0;
    if (!hubs_.ioControl(device, ioctl, in, inSize, record.data(), probeSize)) return 0;

    // A driver's length is not trusted: too small for a name, or beyond any
    // device name, counts as a failed read.
    const std::uint32_t actualLength = readLe32(record.data() + lengthOffset);
    if (actualLength <= probeSize || actualLength > hub::kMaxNameRecordSize) return 0;

    // Two zero bytes past what the driver may fill keep the name terminated.
    record.assign(actualLength + 2, 0);
    if (connectionIndex != nullptr) writeLe32(record.data(), *connectionIndex);
    in = connectionIndex != nullptr ? record.data() : nullptr;
    const std::uint32_t secondInSize = connectionIndex != nullptr ? actualLength : 0;
    if (!hubs_.ioControl(device, ioctl, in, secondInSize, record.data(), actualLength)) return 0;
    // A name not terminated within the length the driver gave was cut short.
    bool terminated = false;
    for (std::uint32_t at = nameOffset; at + 1 < actualLength && !terminated; at += 2)
        terminated = record[at] == 0 && record[at + 1] == 0;
    if (!terminated) return 0;
    convertName(record.data() + nameOffset, nameOut);
    return 1;
}

int UsbTopology::readRootHubName(OsHandle controller, char* nameOut) {
    return readNameRecord(controller, hub::kIoctlGetRootHubName, hub::kRootHubNameProbeSize,
                          hub::kRootHubNameActualLength, hub::kRootHubNameText, nullptr, nameOut);
}

void UsbTopology::readConnectionName(OsHandle hubHandle, std::uint32_t connectionIndex, char* nameOut) {
    readNameRecord(hubHandle, hub::kIoctlGetNodeConnectionName, hub::kConnectionNameProbeSize,
                   hub::kConnectionNameActualLength, hub::kConnectionNameText, &connectionIndex, nameOut);
}

int UsbTopology::readConnectionRecord(OsHandle hubHandle, std::uint32_t connectionIndex, std::uint8_t* record) {
    std::memset(record, 0, hub::kConnectionInformationSize);
    writeLe32(record + hub::kConnectionIndex, connectionIndex);
    return hubs_.ioControl(hubHandle, hub::kIoctlGetNodeConnectionInformation, record,
                           hub::kConnectionInformationSize, record, hub::kConnectionInformationSize);
}

int UsbTopology::locateHub(std::uint16_t vendorId, std::uint16_t productId, char* nameOut) {
    targetVendorId = vendorId;
    targetProductId = productId;
    foundHubName.fill('\0');

    ScopedInterfaceSet set =
        openInterfaceSet(interfaces_, DeviceInterfaceClass::UsbHostController, kDigcfPresent | kDigcfDeviceInterface);
    for (std::uint32_t index = 0; set; ++index) {
        DeviceInterfaceRecord iface{};
        iface.cbSize = sizeof(iface);
        if (!interfaces_.enumInterface(set.get(), DeviceInterfaceClass::UsbHostController, index, &iface)) break;
        InterfacePath path;
        if (path.read(interfaces_, set.get(), iface, kNameSize - 1) != InterfacePath::Outcome::Read) continue;

        ScopedHub controller(hubs_.openDevice(path.text()), HubRelease{&hubs_});
        if (!controller) continue;
        char rootHubName[kNameSize];
        if (readRootHubName(controller.get(), rootHubName)) exploreHub(rootHubName);
    }

    std::memcpy(nameOut, foundHubName.data(), kNameSize);
    return foundHubName[0] != '\0' ? 1 : 0;
}

void UsbTopology::exploreHub(const char* hubName) {
    hubsLeft = kMaxHubsPerRoot;
    exploreHubAt(hubName, 0);
}

void UsbTopology::exploreHubAt(const char* hubName, int depth) {
    if (depth > kMaxHubDepth || hubsLeft <= 0) return;
    --hubsLeft;
    ScopedHub hubHandle = openHub(hubName);
    if (!hubHandle) return;
    std::uint8_t node[hub::kNodeInformationSize] = {};
    if (hubs_.ioControl(hubHandle.get(), hub::kIoctlGetNodeInformation, node, sizeof node, node, sizeof node))
        walkPorts(hubHandle.get(), node[hub::kNodeInformationPortCount], depth);
}

void UsbTopology::walkPorts(OsHandle hubHandle, std::uint32_t portCount, int depth) {
    for (std::uint32_t connectionIndex = 1; connectionIndex <= portCount; ++connectionIndex) {
        std::uint8_t connection[hub::kConnectionInformationSize];
        if (!readConnectionRecord(hubHandle, connectionIndex, connection)) continue;
        if (connection[hub::kConnectionDeviceIsHub] == 0) continue;

        char name[kNameSize] = {};
        readConnectionName(hubHandle, connectionIndex, name);
        const bool matches = readLe16(connection + hub::kConnectionVendorId) == targetVendorId &&
                             readLe16(connection + hub::kConnectionProductId) == targetProductId;
        if (matches) {
            // A later match replaces an earlier one; a matching hub is not walked.
            std::memcpy(foundHubName.data(), name, kNameSize);
        } else {
            exploreHubAt(name, depth + 1);
        }
    }
}

}  // namespace pivora
