#include "platform/byte_order.h"
#include "usb/hub_records.h"
#include "usb/usb_topology.h"

namespace pivora {

namespace {
// Hubs number their connections from 1 and have at most 255 ports.
constexpr int kMaxPortIndex = 254;
}  // namespace

UsbTopology::ScopedHub UsbTopology::openHubForPort(const char* hubName, int portIndex) {
    if (portIndex < 0 || portIndex > kMaxPortIndex) return ScopedHub(nullptr, HubRelease{&hubs_});
    return openHub(hubName);
}

int UsbTopology::getHubPortCount(const char* hubName, std::uint32_t* countOut) {
    *countOut = 0;
    ScopedHub hubHandle = openHub(hubName);
    if (!hubHandle) return 0;
    std::uint8_t node[hub::kNodeInformationSize] = {};
    if (!hubs_.ioControl(hubHandle.get(), hub::kIoctlGetNodeInformation, node, sizeof node, node, sizeof node))
        return 0;
    *countOut = node[hub::kNodeInformationPortCount];
    return 1;
}

int UsbTopology::queryHubPort(const char* hubName, int portIndex, std::uint16_t* vendorIdOut,
                              std::uint16_t* productIdOut, std::uint32_t* isHubOut) {
    *vendorIdOut = 0;
    *productIdOut = 0;
    *isHubOut = 0;
    ScopedHub hubHandle = openHubForPort(hubName, portIndex);
    if (!hubHandle) return 0;
    std::uint8_t connection[hub::kConnectionInformationSize];
    // Only a device the hub reports as connected counts; a failed enumeration
    // or an overcurrent port looks empty.
    if (!readConnectionRecord(hubHandle.get(), static_cast<std::uint32_t>(portIndex) + 1, connection) ||
        readLe32(connection + hub::kConnectionStatus) != hub::kDeviceConnected)
        return 0;
    *isHubOut = connection[hub::kConnectionDeviceIsHub] != 0 ? 1 : 0;
    *vendorIdOut = readLe16(connection + hub::kConnectionVendorId);
    *productIdOut = readLe16(connection + hub::kConnectionProductId);
    return 1;
}

int UsbTopology::getDownstreamHubName(const char* hubName, int portIndex, char* nameOut) {
    ScopedHub hubHandle = openHubForPort(hubName, portIndex);
    if (!hubHandle) return 0;
    std::uint8_t connection[hub::kConnectionInformationSize];
    if (!readConnectionRecord(hubHandle.get(), static_cast<std::uint32_t>(portIndex) + 1, connection) ||
        connection[hub::kConnectionDeviceIsHub] == 0)
        return 0;
    readConnectionName(hubHandle.get(), readLe32(connection + hub::kConnectionIndex), nameOut);
    return 1;
}

int UsbTopology::readPortDriverKey(const char* hubName, int portIndex, char* keyOut) {
    keyOut[0] = '\0';
    ScopedHub hubHandle = openHubForPort(hubName, portIndex);
    if (!hubHandle) return 0;
    const auto connectionIndex = static_cast<std::uint32_t>(portIndex) + 1;
    return readNameRecord(hubHandle.get(), hub::kIoctlGetNodeConnectionDriverKeyName, hub::kConnectionNameProbeSize,
                          hub::kConnectionNameActualLength, hub::kConnectionNameText, &connectionIndex, keyOut) == 1 &&
                   keyOut[0] != '\0'
               ? 1
               : 0;
}

}  // namespace pivora
