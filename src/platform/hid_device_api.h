#pragma once

#include <cstdint>

#include "platform/io_record.h"
#include "platform/os_handle.h"

namespace pivora {

// SP_DEVICE_INTERFACE_DATA byte for byte (28 bytes in a 32-bit process, 32 in
// x64). The portable code sets cbSize; the rest belongs to the platform.
struct DeviceInterfaceRecord {
    std::uint32_t cbSize;
    std::uint8_t interfaceClassGuid[16];
    std::uint32_t flags;
    std::uintptr_t reserved;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_A: a 32-bit size word, then the NUL-terminated
// device path. The size word holds the fixed part's size as the platform counts
// it: 5 in a (packed) 32-bit process, 8 in x64.
constexpr std::uint32_t kInterfaceDetailPathOffset = 4;
constexpr std::uint32_t kInterfaceDetailCbSize = sizeof(void*) == 8 ? 8u : 5u;

// HIDD_ATTRIBUTES: 12 bytes, `size` set by the caller.
struct HidAttributesRecord {
    std::uint32_t size;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t versionNumber;
};

// The HID device seam: exactly the calls the controller channel makes, each as
// thin as the Windows call it stands for. Every call reports what Windows
// reports (a BOOL as 0/1, a handle or nullptr); none carries logic. Whatever a
// call acquires (an interface set, a device handle, an event) is given back
// through its release call; the simulated platform counts both.
class HidDeviceApi {
public:
    virtual ~HidDeviceApi() = default;

    // HidD_GetHidGuid, then SetupDiGetClassDevsA(DIGCF_PRESENT |
    // DIGCF_DEVICEINTERFACE) for that class. The set, or nullptr when it cannot
    // be had. Release with destroyInterfaceSet.
    virtual OsHandle openPresentHidInterfaces() = 0;

    // SetupDiEnumDeviceInterfaces(set, no device, HID class, index, record).
    // 0 when there is no interface at that index (the walk's end) or on error.
    virtual int enumHidInterface(OsHandle set, std::uint32_t index, DeviceInterfaceRecord* record) = 0;

    // SetupDiGetDeviceInterfaceDetailA(set, record, detail, detailSize,
    // requiredSize, no device data). With detail null and size 0 it fails and
    // reports the size needed; with a large enough buffer whose size word is
    // kInterfaceDetailCbSize it writes the path at kInterfaceDetailPathOffset.
    virtual int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                                   std::uint32_t detailSize, std::uint32_t* requiredSize) = 0;

    // SetupDiDestroyDeviceInfoList.
    virtual int destroyInterfaceSet(OsHandle set) = 0;

    // CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ |
    // FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_OVERLAPPED when `overlapped`
    // is non-zero). The handle, or nullptr. Release with closeHandle.
    virtual OsHandle openDevice(const char* path, int overlapped) = 0;

    // HidD_GetAttributes. `attributes->size` must be 12.
    virtual int getAttributes(OsHandle device, HidAttributesRecord* attributes) = 0;

    // ReadFile / WriteFile of `length` bytes, overlapped on `record`. The call
    // returns at once; the platform writes the record's two status words when
    // the operation completes, at any later moment. The buffer and the record
    // must stay valid until then, or until cancelIo and closeHandle.
    virtual int readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) = 0;
    virtual int writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) = 0;

    // CancelIo: cancels this thread's reads and writes in flight on `device`.
    // The cancelled operations complete with an error status, possibly later.
    virtual int cancelIo(OsHandle device) = 0;

    // CreateEventA(no security, auto-reset, not signalled, unnamed), or nullptr.
    virtual OsHandle createEvent() = 0;

    // CloseHandle, for device handles and events alike.
    virtual int closeHandle(OsHandle handle) = 0;
};

}  // namespace pivora
