#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

// The USB hub I/O seam: opening host controllers and hubs, their I/O
// controls, and the conversion of the UTF-16 names they return. The records
// pass through as bytes; their layouts are read and written by the portable
// code (usb/hub_records.h).
class UsbHubApi {
public:
    virtual ~UsbHubApi() = default;

    // CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, no security,
    // OPEN_EXISTING, attributes 0, no template). The handle, or nullptr.
    virtual OsHandle openDevice(const char* path) = 0;

    // DeviceIoControl(device, code, in, inSize, out, outSize, bytes returned,
    // no overlapped), synchronous. The BOOL as 0/1.
    virtual int ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize,
                          std::uint8_t* out, std::uint32_t outSize) = 0;

    // CloseHandle.
    virtual int closeHandle(OsHandle device) = 0;

    // WideCharToMultiByte(CP_ACP, 0, utf16le, -1, out, outSize, no default
    // char, no flag): the bytes written with the terminator, or 0 when the
    // text does not fit or cannot be converted (`out` may hold a partial text
    // then). `utf16le` must be terminated.
    virtual int wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) = 0;
};

}  // namespace pivora
