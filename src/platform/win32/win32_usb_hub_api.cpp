#include "platform/win32/win32_usb_hub_api.h"

#include <cstddef>

#include "usb/hub_records.h"

#include "platform/win32/windows_api.h"
// CTL_CODE and FILE_DEVICE_UNKNOWN, which usbioctl.h's I/O control codes use;
// the lean windows.h leaves it out.
#include <winioctl.h>
#include <usbioctl.h>

namespace pivora {

// The portable code builds and reads the hub records at fixed offsets; these
// prove every one of them against the SDK's packed structs.
static_assert(hub::kIoctlGetRootHubName == IOCTL_USB_GET_ROOT_HUB_NAME, "IOCTL_USB_GET_ROOT_HUB_NAME");
static_assert(hub::kIoctlGetNodeInformation == IOCTL_USB_GET_NODE_INFORMATION, "IOCTL_USB_GET_NODE_INFORMATION");
static_assert(hub::kIoctlGetNodeConnectionInformation == IOCTL_USB_GET_NODE_CONNECTION_INFORMATION,
              "IOCTL_USB_GET_NODE_CONNECTION_INFORMATION");
static_assert(hub::kIoctlGetNodeConnectionName == IOCTL_USB_GET_NODE_CONNECTION_NAME,
              "IOCTL_USB_GET_NODE_CONNECTION_NAME");
static_assert(hub::kIoctlGetNodeConnectionDriverKeyName == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME,
              "IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME");

static_assert(hub::kRootHubNameActualLength == offsetof(USB_ROOT_HUB_NAME, ActualLength), "ActualLength");
static_assert(hub::kRootHubNameText == offsetof(USB_ROOT_HUB_NAME, RootHubName), "RootHubName");
static_assert(hub::kRootHubNameProbeSize == sizeof(USB_ROOT_HUB_NAME), "USB_ROOT_HUB_NAME");

static_assert(hub::kNodeInformationSize == sizeof(USB_NODE_INFORMATION) && sizeof(USB_NODE_INFORMATION) == 76,
              "USB_NODE_INFORMATION");
static_assert(hub::kNodeInformationPortCount ==
                  offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts),
              "bNumberOfPorts");

// The connection record is asked for with room for 30 pipe records.
static_assert(sizeof(USB_NODE_CONNECTION_INFORMATION) == 35, "USB_NODE_CONNECTION_INFORMATION");
static_assert(sizeof(USB_PIPE_INFO) == 11, "USB_PIPE_INFO");
static_assert(hub::kConnectionInformationSize == sizeof(USB_NODE_CONNECTION_INFORMATION) + 30 * sizeof(USB_PIPE_INFO),
              "connection record with 30 pipes");
static_assert(hub::kConnectionIndex == offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionIndex),
              "ConnectionIndex");
static_assert(hub::kConnectionVendorId == offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor.idVendor),
              "idVendor");
static_assert(hub::kConnectionProductId == offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor.idProduct),
              "idProduct");
static_assert(hub::kConnectionDeviceIsHub == offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceIsHub), "DeviceIsHub");
static_assert(hub::kConnectionStatus == offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionStatus),
              "ConnectionStatus");
static_assert(hub::kDeviceConnected == DeviceConnected, "DeviceConnected");

static_assert(hub::kConnectionNameIndex == offsetof(USB_NODE_CONNECTION_NAME, ConnectionIndex), "ConnectionIndex");
static_assert(hub::kConnectionNameActualLength == offsetof(USB_NODE_CONNECTION_NAME, ActualLength),
              "ActualLength");
static_assert(hub::kConnectionNameText == offsetof(USB_NODE_CONNECTION_NAME, NodeName), "NodeName");
static_assert(hub::kConnectionNameProbeSize == sizeof(USB_NODE_CONNECTION_NAME), "USB_NODE_CONNECTION_NAME");
static_assert(hub::kConnectionNameIndex == offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ConnectionIndex),
              "ConnectionIndex");
static_assert(hub::kConnectionNameActualLength == offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, ActualLength),
              "ActualLength");
static_assert(hub::kConnectionNameText == offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName),
              "DriverKeyName");
static_assert(hub::kConnectionNameProbeSize == sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME),
              "USB_NODE_CONNECTION_DRIVERKEY_NAME");

OsHandle Win32UsbHubApi::openDevice(const char* path) {
    return orNull(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

int Win32UsbHubApi::ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize,
                              std::uint8_t* out, std::uint32_t outSize) {
    DWORD bytesReturned = 0;
    return DeviceIoControl(device, code, in, inSize, out, outSize, &bytesReturned, nullptr) ? 1 : 0;
}

int Win32UsbHubApi::closeHandle(OsHandle device) { return CloseHandle(device) ? 1 : 0; }

int Win32UsbHubApi::wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) {
    return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWCH>(utf16le), -1, out, outSize, nullptr, nullptr);
}

}  // namespace pivora
