#pragma once

#include <cstdint>

#include "platform/device_removal_api.h"

namespace pivora {

// Which Windows this is, as far as device removal cares: 1 Windows 95,
// 2 Windows 98, 3 Windows Me, 4 NT 4.0, 5 Windows 2000 or Server 2003,
// 6 Windows XP, 7 version 6.x (Vista onwards: later releases report 6.2 to a
// program whose manifest does not claim them), 0 anything else.
using WindowsVersionCode = std::uint8_t;
constexpr WindowsVersionCode kVistaOrLater = 7;

WindowsVersionCode classifyWindowsVersion(DeviceRemovalApi& system);

}  // namespace pivora
