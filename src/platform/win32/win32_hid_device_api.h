#pragma once

#include <cstdint>

#include "platform/hid_device_api.h"

namespace pivora {

// The real HID seam: each call is the one Windows call its contract in
// hid_device_api.h names, with INVALID_HANDLE_VALUE reported as nullptr and
// BOOLs as 0/1. No state, no logic.
class Win32HidDeviceApi : public HidDeviceApi {
public:
    OsHandle openDevice(const char* path, int overlapped) override;
    int getAttributes(OsHandle device, HidAttributesRecord* attributes) override;
    int readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override;
    int writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override;
    std::uint32_t lastError() override;
    int cancelIo(OsHandle device) override;
    OsHandle createEvent() override;
    int closeHandle(OsHandle handle) override;
};

}  // namespace pivora
