#include "platform/win32/win32_hid_device_api.h"

#include <cstddef>

#include "platform/win32/windows_api.h"

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

static_assert(kErrorIoPending == ERROR_IO_PENDING, "ERROR_IO_PENDING");

static_assert(sizeof(HidAttributesRecord) == sizeof(HIDD_ATTRIBUTES) && sizeof(HIDD_ATTRIBUTES) == 12,
              "HIDD_ATTRIBUTES");
static_assert(offsetof(HidAttributesRecord, size) == offsetof(HIDD_ATTRIBUTES, Size), "Size");
static_assert(offsetof(HidAttributesRecord, vendorId) == offsetof(HIDD_ATTRIBUTES, VendorID), "VendorID");
static_assert(offsetof(HidAttributesRecord, productId) == offsetof(HIDD_ATTRIBUTES, ProductID), "ProductID");
static_assert(offsetof(HidAttributesRecord, versionNumber) == offsetof(HIDD_ATTRIBUTES, VersionNumber),
              "VersionNumber");

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

std::uint32_t Win32HidDeviceApi::lastError() { return GetLastError(); }

int Win32HidDeviceApi::cancelIo(OsHandle device) { return CancelIo(device) ? 1 : 0; }

OsHandle Win32HidDeviceApi::createEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

int Win32HidDeviceApi::closeHandle(OsHandle handle) { return CloseHandle(handle) ? 1 : 0; }

}  // namespace pivora
