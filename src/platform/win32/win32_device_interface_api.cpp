#include "platform/win32/win32_device_interface_api.h"

#include <cstddef>

#include "platform/win32/windows_api.h"
#include <setupapi.h>

// mingw's hidsdi.h declares the hid.dll functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

// The USB interface class GUIDs are defined (selectany) here, not only declared.
#include <initguid.h>
#include <usbiodef.h>

namespace pivora {

// The portable records are handed to Windows as the structs themselves, so
// their layouts must match byte for byte.
static_assert(sizeof(DeviceInterfaceRecord) == sizeof(SP_DEVICE_INTERFACE_DATA), "SP_DEVICE_INTERFACE_DATA");
static_assert(offsetof(DeviceInterfaceRecord, cbSize) == offsetof(SP_DEVICE_INTERFACE_DATA, cbSize), "cbSize");
static_assert(offsetof(DeviceInterfaceRecord, interfaceClassGuid) ==
                  offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid),
              "InterfaceClassGuid");
static_assert(sizeof(GUID) == sizeof(DeviceInterfaceRecord::interfaceClassGuid), "GUID is 16 bytes");
static_assert(offsetof(DeviceInterfaceRecord, flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags), "Flags");
static_assert(offsetof(DeviceInterfaceRecord, reserved) == offsetof(SP_DEVICE_INTERFACE_DATA, Reserved), "Reserved");

static_assert(sizeof(DeviceInfoRecord) == sizeof(SP_DEVINFO_DATA), "SP_DEVINFO_DATA");
static_assert(offsetof(DeviceInfoRecord, cbSize) == offsetof(SP_DEVINFO_DATA, cbSize), "cbSize");
static_assert(offsetof(DeviceInfoRecord, classGuid) == offsetof(SP_DEVINFO_DATA, ClassGuid), "ClassGuid");
static_assert(sizeof(GUID) == sizeof(DeviceInfoRecord::classGuid), "GUID is 16 bytes");
static_assert(offsetof(DeviceInfoRecord, devInst) == offsetof(SP_DEVINFO_DATA, DevInst), "DevInst");
static_assert(sizeof(DeviceInfoRecord::devInst) == sizeof(SP_DEVINFO_DATA::DevInst), "DevInst size");
static_assert(offsetof(DeviceInfoRecord, reserved) == offsetof(SP_DEVINFO_DATA, Reserved), "Reserved");

static_assert(kInterfaceDetailCbSize == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), "detail cbSize");
static_assert(kInterfaceDetailPathOffset == offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath),
              "detail DevicePath");

static_assert(kSpdrpDeviceDesc == SPDRP_DEVICEDESC, "SPDRP_DEVICEDESC");
static_assert(kSpdrpDriver == SPDRP_DRIVER, "SPDRP_DRIVER");
static_assert(kDigcfPresent == DIGCF_PRESENT, "DIGCF_PRESENT");
static_assert(kDigcfDeviceInterface == DIGCF_DEVICEINTERFACE, "DIGCF_DEVICEINTERFACE");

namespace {

GUID classGuid(DeviceInterfaceClass interfaceClass) {
    switch (interfaceClass) {
        case DeviceInterfaceClass::UsbHostController:
            return GUID_DEVINTERFACE_USB_HOST_CONTROLLER;
        case DeviceInterfaceClass::UsbDevice:
            return GUID_DEVINTERFACE_USB_DEVICE;
        case DeviceInterfaceClass::Hid:
            break;
    }
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return guid;
}

}  // namespace

OsHandle Win32DeviceInterfaceApi::getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) {
    const GUID guid = classGuid(interfaceClass);
    return orNull(SetupDiGetClassDevsA(&guid, nullptr, nullptr, flags));
}

int Win32DeviceInterfaceApi::enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                                           DeviceInterfaceRecord* record) {
    const GUID guid = classGuid(interfaceClass);
    return SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index,
                                       reinterpret_cast<PSP_DEVICE_INTERFACE_DATA>(record))
               ? 1
               : 0;
}

int Win32DeviceInterfaceApi::getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record,
                                                std::uint8_t* detail, std::uint32_t detailSize,
                                                std::uint32_t* requiredSize, DeviceInfoRecord* device) {
    // Windows does not write the interface record; its prototype just lacks the const.
    auto* iface = reinterpret_cast<PSP_DEVICE_INTERFACE_DATA>(const_cast<DeviceInterfaceRecord*>(record));
    DWORD required = 0;
    const BOOL ok = SetupDiGetDeviceInterfaceDetailA(
        set, iface, reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detail), detailSize,
        requiredSize != nullptr ? &required : nullptr, reinterpret_cast<PSP_DEVINFO_DATA>(device));
    if (requiredSize != nullptr) *requiredSize = required;
    return ok ? 1 : 0;
}

int Win32DeviceInterfaceApi::getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record,
                                                       std::uint32_t property, std::uint8_t* buffer,
                                                       std::uint32_t size) {
    // As above: the device record is only read.
    auto* device = reinterpret_cast<PSP_DEVINFO_DATA>(const_cast<DeviceInfoRecord*>(record));
    return SetupDiGetDeviceRegistryPropertyA(set, device, property, nullptr, buffer, size, nullptr) ? 1 : 0;
}

int Win32DeviceInterfaceApi::destroyDeviceInfoList(OsHandle set) {
    return SetupDiDestroyDeviceInfoList(set) ? 1 : 0;
}

}  // namespace pivora
