#pragma once

#include "platform/clock.h"
#include "platform/device_interface_api.h"
#include "platform/device_removal_api.h"
#include "platform/diagnostic_trace.h"
#include "platform/hid_device_api.h"
#include "platform/registry_api.h"
#include "platform/spooler_api.h"
#include "platform/usb_hub_api.h"

namespace pivora {

// Every seam one computer offers: the real Windows calls in the product, the
// simulated switch in tests and in the simulated build.
struct Platform {
    Clock& clock;
    DiagnosticTrace& trace;
    DeviceInterfaceApi& interfaces;
    HidDeviceApi& hid;
    UsbHubApi& hubs;
    DeviceRemovalApi& removal;
    SpoolerApi& spooler;
    RegistryApi& registry;
};

}  // namespace pivora
