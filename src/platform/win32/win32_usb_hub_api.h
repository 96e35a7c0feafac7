#pragma once

#include <cstdint>

#include "platform/usb_hub_api.h"

namespace pivora {

// The real hub seam: each call is the one Windows call its contract in
// usb_hub_api.h names, with INVALID_HANDLE_VALUE reported as nullptr and BOOLs
// as 0/1. The records pass through untouched. No state, no logic.
class Win32UsbHubApi : public UsbHubApi {
public:
    OsHandle openDevice(const char* path) override;
    int ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                  std::uint32_t outSize) override;
    int closeHandle(OsHandle device) override;
    int wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) override;
};

}  // namespace pivora
