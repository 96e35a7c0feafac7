#pragma once

#include <cstdint>

#include "platform/device_removal_api.h"
#include "platform/diagnostic_trace.h"

namespace pivora {

// Stops a device the way the user's safe removal would, with the call the
// running Windows expects. 0 (CR_SUCCESS) when the device was removed; any
// other value when it was not, including a removal vetoed only by name.
std::uint32_t safeRemoveDevice(DeviceRemovalApi& removal, DiagnosticTrace& trace, std::uint32_t devInst);

}  // namespace pivora
