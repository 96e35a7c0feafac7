#pragma once

#include <cstdint>

#include "platform/io_record.h"
#include "platform/os_handle.h"

namespace pivora {

// HIDD_ATTRIBUTES: 12 bytes, `size` set by the caller.
struct HidAttributesRecord {
    std::uint32_t size;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint16_t versionNumber;
};

// ERROR_IO_PENDING: an overlapped read or write is in flight.
constexpr std::uint32_t kErrorIoPending = 997;

// The HID device seam: the calls the controller channel makes on a device,
// each as thin as the Windows call it stands for (the walk over the present
// HID interfaces goes through DeviceInterfaceApi). Every call reports what
// Windows reports (a BOOL as 0/1, a handle or nullptr); none carries logic.
// Whatever a call acquires (a device handle, an event) is given back through
// closeHandle; the simulated platform counts both.
class HidDeviceApi {
public:
    virtual ~HidDeviceApi() = default;

    // CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ |
    // FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_OVERLAPPED when `overlapped`
    // is non-zero). The handle, or nullptr.
    virtual OsHandle openDevice(const char* path, int overlapped) = 0;

    // HidD_GetAttributes. `attributes->size` must be 12.
    virtual int getAttributes(OsHandle device, HidAttributesRecord* attributes) = 0;

    // ReadFile / WriteFile of `length` bytes, overlapped on `record`. The call
    // returns at once: 1 when the operation completed before it returned, 0
    // otherwise, and then lastError() tells whether the platform took it
    // (kErrorIoPending) or refused it. A refused operation never completes and
    // may leave the pending code in `internal`. A taken one writes the
    // record's two status words when it ends, at any later moment; the record
    // and the buffer must stay valid until then, however long after cancelIo
    // and closeHandle that is.
    virtual int readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) = 0;
    virtual int writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) = 0;

    // GetLastError: the error of the last call on this thread that failed.
    // Read right after the call, before any other.
    virtual std::uint32_t lastError() = 0;

    // CancelIo: cancels this thread's reads and writes in flight on `device`.
    // The cancelled operations end with an error status, possibly much later.
    virtual int cancelIo(OsHandle device) = 0;

    // CreateEventA(no security, auto-reset, not signalled, unnamed), or nullptr.
    virtual OsHandle createEvent() = 0;

    // CloseHandle, for device handles and events alike.
    virtual int closeHandle(OsHandle handle) = 0;
};

}  // namespace pivora
