#include "platform/win32/win32_hid_device_api.h"

#include <cstddef>

// libstdc++ on mingw may define NOMINMAX already.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <setupapi.h>

// mingw's hidsdi.h declares the hid.dll functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

namespace pivora {

// The portable records are handed to Windows as the structs themselves, so
// their layouts must match byte for byte.
static_assert(sizeof(IoRecord) == sizeof(OVERLAPPED), "IoRecord must be an OVERLAPPED");
static_assert(offsetof(IoRecord, internal) == offsetof(OVERLAPPED, Internal), "OVERLAPPED.Internal");
static_assert(offsetof(IoRecord, internalHigh) == offsetof(OVERLAPPED, InternalHigh), "OVERLAPPED.InternalHigh");
static_assert(offsetof(IoRecord, offset) == offsetof(OVERLAPPED, Offset), "OVERLAPPED.Offset");
static_assert(offsetof(IoRecord, offsetHigh) == offsetof(OVERLAPPED, OffsetHigh), "OVERLAPPED.OffsetHigh");
static_assert(offsetof(IoRecord, event) == offsetof(OVERLAPPED, hEvent), "OVERLAPPED.hEvent");

static_assert(sizeof(DeviceInterfaceRecord) == sizeof(SP_DEVICE_INTERFACE_DATA), "SP_DEVICE_INTERFACE_DATA");
static_assert(offsetof(DeviceInterfaceRecord, cbSize) == offsetof(SP_DEVICE_INTERFACE_DATA, cbSize), "cbSize");
static_assert(offsetof(DeviceInterfaceRecord, interfaceClassGuid) ==
                  offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid),
              "InterfaceClassGuid");
static_assert(sizeof(GUID) == sizeof(DeviceInterfaceRecord::interfaceClassGuid), "GUID is 16 bytes");
static_assert(offsetof(DeviceInterfaceRecord, flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags), "Flags");
static_assert(offsetof(DeviceInterfaceRecord, reserved) == offsetof(SP_DEVICE_INTERFACE_DATA, Reserved), "Reserved");

static_assert(kInterfaceDetailCbSize == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A), "detail cbSize");
static_assert(kInterfaceDetailPathOffset == offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath),
              "detail DevicePath");

static_assert(sizeof(HidAttributesRecord) == sizeof(HIDD_ATTRIBUTES) && sizeof(HIDD_ATTRIBUTES) == 12,
              "HIDD_ATTRIBUTES");
static_assert(offsetof(HidAttributesRecord, size) == offsetof(HIDD_ATTRIBUTES, Size), "Size");
static_assert(offsetof(HidAttributesRecord, vendorId) == offsetof(HIDD_ATTRIBUTES, VendorID), "VendorID");
static_assert(offsetof(HidAttributesRecord, productId) == offsetof(HIDD_ATTRIBUTES, ProductID), "ProductID");
static_assert(offsetof(HidAttributesRecord, versionNumber) == offsetof(HIDD_ATTRIBUTES, VersionNumber),
              "VersionNumber");

namespace {

OsHandle orNull(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

GUID hidClassGuid() {
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return guid;
}

}  // namespace

OsHandle Win32HidDeviceApi::openPresentHidInterfaces() {
    GUID guid = hidClassGuid();
    return orNull(SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
}

int Win32HidDeviceApi::enumHidInterface(OsHandle set, std::uint32_t index, DeviceInterfaceRecord* record) {
    GUID guid = hidClassGuid();
    return SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index,
                                       reinterpret_cast<PSP_DEVICE_INTERFACE_DATA>(record))
               ? 1
               : 0;
}

int Win32HidDeviceApi::getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                                          std::uint32_t detailSize, std::uint32_t* requiredSize) {
    // Windows does not write the interface record; its prototype just lacks the const.
    auto* iface = reinterpret_cast<PSP_DEVICE_INTERFACE_DATA>(const_cast<DeviceInterfaceRecord*>(record));
    DWORD required = 0;
    const BOOL ok = SetupDiGetDeviceInterfaceDetailA(
        set, iface, reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detail), detailSize,
        requiredSize != nullptr ? &required : nullptr, nullptr);
    if (requiredSize != nullptr) *requiredSize = required;
    return ok ? 1 : 0;
}

int Win32HidDeviceApi::destroyInterfaceSet(OsHandle set) { return SetupDiDestroyDeviceInfoList(set) ? 1 : 0; }

OsHandle Win32HidDeviceApi::openDevice(const char* path, int overlapped) {
    return orNull(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr));
}

int Win32HidDeviceApi::getAttributes(OsHandle device, HidAttributesRecord* attributes) {
    return HidD_GetAttributes(device, reinterpret_cast<PHIDD_ATTRIBUTES>(attributes)) ? 1 : 0;
}

int Win32HidDeviceApi::readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) {
    return ReadFile(device, buffer, length, nullptr, reinterpret_cast<LPOVERLAPPED>(record)) ? 1 : 0;
}

int Win32HidDeviceApi::writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length,
                                   IoRecord* record) {
    return WriteFile(device, buffer, length, nullptr, reinterpret_cast<LPOVERLAPPED>(record)) ? 1 : 0;
}

int Win32HidDeviceApi::cancelIo(OsHandle device) { return CancelIo(device) ? 1 : 0; }

OsHandle Win32HidDeviceApi::createEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

int Win32HidDeviceApi::closeHandle(OsHandle handle) { return CloseHandle(handle) ? 1 : 0; }

}  // namespace pivora
