#pragma once

#include "platform/diagnostic_trace.h"
#include "platform/platform.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_device_interface_api.h"
#include "platform/win32/win32_device_removal_api.h"
#include "platform/win32/win32_hid_device_api.h"
#include "platform/win32/win32_registry_api.h"
#include "platform/win32/win32_spooler_api.h"
#include "platform/win32/win32_usb_hub_api.h"

namespace pivora {

// Every real seam of this computer, owned together, with the trace given.
class Win32Platform {
public:
    explicit Win32Platform(DiagnosticTrace& trace)
        : platform{clock_, trace, interfaces_, hid_, hubs_, removal_, spooler_, registry_} {}
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

private:
    Win32Clock clock_;
    Win32DeviceInterfaceApi interfaces_;
    Win32HidDeviceApi hid_;
    Win32UsbHubApi hubs_;
    Win32DeviceRemovalApi removal_;
    Win32SpoolerApi spooler_;
    Win32RegistryApi registry_;

public:
    // Declared after the seams it refers to.
    Platform platform;
};

}  // namespace pivora
