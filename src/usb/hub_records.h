#pragma once

#include <cstdint>

namespace pivora {

// The USB hub I/O controls and the byte-packed records they carry, at their
// published offsets. Both the portable code and the simulated hub build and
// read them through these constants; the Windows build checks them against
// the SDK's structs.
namespace hub {

constexpr std::uint32_t kIoctlGetRootHubName = 0x220408;           // on a host controller
constexpr std::uint32_t kIoctlGetNodeInformation = 0x220408;       // on a hub: the same code
constexpr std::uint32_t kIoctlGetNodeConnectionInformation = 0x22040C;
constexpr std::uint32_t kIoctlGetNodeConnectionName = 0x220414;
constexpr std::uint32_t kIoctlGetNodeConnectionDriverKeyName = 0x220420;

// USB_ROOT_HUB_NAME: ActualLength (size of the whole record), then the UTF-16 name.
constexpr std::uint32_t kRootHubNameProbeSize = 6;
constexpr std::uint32_t kRootHubNameActualLength = 0;
constexpr std::uint32_t kRootHubNameText = 4;

// USB_NODE_INFORMATION: NodeType, then the hub descriptor from byte 4.
constexpr std::uint32_t kNodeInformationSize = 76;
constexpr std::uint32_t kNodeInformationPortCount = 6;  // bNumberOfPorts

// USB_NODE_CONNECTION_INFORMATION: 35 bytes, then room for 30 pipe records of 11.
constexpr std::uint32_t kConnectionInformationSize = 365;
constexpr std::uint32_t kConnectionIndex = 0;
constexpr std::uint32_t kConnectionVendorId = 12;   // idVendor of the device descriptor
constexpr std::uint32_t kConnectionProductId = 14;  // idProduct
constexpr std::uint32_t kConnectionDeviceIsHub = 24;
constexpr std::uint32_t kConnectionStatus = 31;
constexpr std::uint32_t kDeviceConnected = 1;

// USB_NODE_CONNECTION_NAME: ConnectionIndex, ActualLength, then the UTF-16 name.
constexpr std::uint32_t kConnectionNameProbeSize = 10;
constexpr std::uint32_t kConnectionNameIndex = 0;
constexpr std::uint32_t kConnectionNameActualLength = 4;
constexpr std::uint32_t kConnectionNameText = 8;
// USB_NODE_CONNECTION_DRIVERKEY_NAME has the same layout: ConnectionIndex,
// ActualLength, then the UTF-16 name of the software key of the device on
// that port, which SetupAPI gives as the device's SPDRP_DRIVER.

// No device name comes near this; a driver claiming more is not believed.
constexpr std::uint32_t kMaxNameRecordSize = 64 * 1024;

}  // namespace hub
}  // namespace pivora
