#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

// The device interface classes Pivora walks.
enum class DeviceInterfaceClass {
    Hid,                // HidD_GetHidGuid
    UsbHostController,  // GUID_DEVINTERFACE_USB_HOST_CONTROLLER
    UsbDevice,          // GUID_DEVINTERFACE_USB_DEVICE
};

// SetupDiGetDeviceRegistryPropertyA properties.
constexpr std::uint32_t kSpdrpDeviceDesc = 0x00;  // the device's description
constexpr std::uint32_t kSpdrpDriver = 0x09;      // its driver key: the name of its software key

// SetupDiGetClassDevsA flags.
constexpr std::uint32_t kDigcfPresent = 0x02;
constexpr std::uint32_t kDigcfDeviceInterface = 0x10;

// SP_DEVICE_INTERFACE_DATA byte for byte (28 bytes in a 32-bit process, 32 in
// x64). The caller sets cbSize; the rest belongs to the platform.
struct DeviceInterfaceRecord {
    std::uint32_t cbSize;
    std::uint8_t interfaceClassGuid[16];
    std::uint32_t flags;
    std::uintptr_t reserved;
};

// SP_DEVINFO_DATA byte for byte (28 bytes in a 32-bit process, 32 in x64).
struct DeviceInfoRecord {
    std::uint32_t cbSize;
    std::uint8_t classGuid[16];
    std::uint32_t devInst;
    std::uintptr_t reserved;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_A: a 32-bit size word, then the NUL-terminated
// device path. The size word holds the fixed part's size as the platform counts
// it: 5 in a (packed) 32-bit process, 8 in x64.
constexpr std::uint32_t kInterfaceDetailPathOffset = 4;
constexpr std::uint32_t kInterfaceDetailCbSize = sizeof(void*) == 8 ? 8u : 5u;

// The SetupAPI device-interface enumeration, as thin as the calls. Every call
// reports what Windows reports (a BOOL as 0/1, a set or nullptr). A set is
// released with destroyDeviceInfoList; the simulated platform counts both.
class DeviceInterfaceApi {
public:
    virtual ~DeviceInterfaceApi() = default;

    // SetupDiGetClassDevsA(class GUID, no enumerator, no window, flags). The
    // set, or nullptr (INVALID_HANDLE_VALUE) when it cannot be had.
    virtual OsHandle getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) = 0;

    // SetupDiEnumDeviceInterfaces(set, no device, class GUID, index, record).
    // 0 when there is no interface at that index (the walk's end) or on error.
    virtual int enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                              DeviceInterfaceRecord* record) = 0;

    // SetupDiGetDeviceInterfaceDetailA(set, record, detail, detailSize,
    // requiredSize, device). With detail null and size 0 it fails and reports
    // the size needed; with a large enough buffer whose size word is
    // kInterfaceDetailCbSize it writes the path at kInterfaceDetailPathOffset
    // and, when `device` is given (its cbSize set by the caller), the device
    // element the interface belongs to: its DevInst among others. That element
    // need not have the interface's index among the set's devices.
    virtual int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                                   std::uint32_t detailSize, std::uint32_t* requiredSize,
                                   DeviceInfoRecord* device) = 0;

    // SetupDiGetDeviceRegistryPropertyA(set, record, property, no type, buffer,
    // size, no required size) for a text property. It fails when the text
    // does not fit; the text is not guaranteed terminated.
    virtual int getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record, std::uint32_t property,
                                          std::uint8_t* buffer, std::uint32_t size) = 0;

    // SetupDiDestroyDeviceInfoList.
    virtual int destroyDeviceInfoList(OsHandle set) = 0;
};

}  // namespace pivora
