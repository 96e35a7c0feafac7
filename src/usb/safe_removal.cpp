#include "usb/safe_removal.h"

#include <cstdio>

#include "usb/windows_version.h"

namespace pivora {

namespace {
constexpr std::uint32_t kVetoNameSize = 260;
}

std::uint32_t safeRemoveDevice(DeviceRemovalApi& removal, DiagnosticTrace& trace, std::uint32_t devInst) {
    const WindowsVersionCode version = classifyWindowsVersion(removal);
    char vetoName[kVetoNameSize] = {};
    std::uint32_t vetoType = 0;
    std::uint32_t status = 0;
    const char* format = nullptr;
    if (version == kVistaOrLater) {
        // Eject reports a refusal through its result; the system tells the user itself.
        status = removal.requestDeviceEject(devInst, &vetoType, vetoName, kVetoNameSize, 0);
        format = "Vista SafeRemove Status=%.8X\r\n";
    } else {
        status = removal.queryAndRemoveSubTree(devInst, &vetoType, vetoName, kVetoNameSize, kCmRemoveUiNotOk);
        // A removal vetoed by name has not happened, whatever the call returned.
        if (vetoName[0] != '\0') status = 1;
        format = "WinXP SafeRemove Status=%.8X\r\n";
    }
    char line[kVetoNameSize];
    (void)std::snprintf(line, sizeof line, format, static_cast<unsigned>(status));
    trace.line(TraceChannel::Text, line);
    return status;
}

}  // namespace pivora
