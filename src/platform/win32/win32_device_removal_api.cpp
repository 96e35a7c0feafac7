#include "platform/win32/win32_device_removal_api.h"

#include <cstddef>

#include "platform/win32/windows_api.h"
#include <cfgmgr32.h>

namespace pivora {

// The portable code reads the version record at these offsets.
static_assert(osversion::kSize == sizeof(OSVERSIONINFOEXA), "OSVERSIONINFOEXA");
static_assert(osversion::kSizeOffset == offsetof(OSVERSIONINFOEXA, dwOSVersionInfoSize), "dwOSVersionInfoSize");
static_assert(osversion::kMajorOffset == offsetof(OSVERSIONINFOEXA, dwMajorVersion), "dwMajorVersion");
static_assert(osversion::kMinorOffset == offsetof(OSVERSIONINFOEXA, dwMinorVersion), "dwMinorVersion");
static_assert(osversion::kPlatformIdOffset == offsetof(OSVERSIONINFOEXA, dwPlatformId), "dwPlatformId");
static_assert(osversion::kProductTypeOffset == offsetof(OSVERSIONINFOEXA, wProductType), "wProductType");

static_assert(kCmRemoveUiNotOk == CM_REMOVE_UI_NOT_OK, "CM_REMOVE_UI_NOT_OK");
// The veto type is written through the portable 32-bit word.
static_assert(sizeof(PNP_VETO_TYPE) == sizeof(std::uint32_t), "PNP_VETO_TYPE");
static_assert(sizeof(DEVINST) == sizeof(std::uint32_t), "DEVINST");

std::uint32_t Win32DeviceRemovalApi::requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType,
                                                        char* vetoName, std::uint32_t nameLength,
                                                        std::uint32_t flags) {
    return CM_Request_Device_EjectA(devInst, reinterpret_cast<PPNP_VETO_TYPE>(vetoType), vetoName, nameLength,
                                    flags);
}

std::uint32_t Win32DeviceRemovalApi::queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType,
                                                           char* vetoName, std::uint32_t nameLength,
                                                           std::uint32_t flags) {
    return CM_Query_And_Remove_SubTreeA(devInst, reinterpret_cast<PPNP_VETO_TYPE>(vetoType), vetoName,
                                        nameLength, flags);
}

int Win32DeviceRemovalApi::getVersionEx(std::uint8_t* record) {
    // Kernel32 is in every process, so there is no module reference to release.
    const HMODULE kernel = GetModuleHandleA("Kernel32.dll");
    if (kernel == nullptr) return -1;
    FARPROC proc = GetProcAddress(kernel, "GetVersionExA");
    if (proc == nullptr) proc = GetProcAddress(kernel, "GetVersionEx");
    if (proc == nullptr) return -1;
    using GetVersionExFn = BOOL(WINAPI*)(LPOSVERSIONINFOA);
    // Through a plain function pointer type, which any function pointer converts to without a warning.
    const auto getVersion = reinterpret_cast<GetVersionExFn>(reinterpret_cast<void (*)()>(proc));
    return getVersion(reinterpret_cast<LPOSVERSIONINFOA>(record)) ? 1 : 0;
}

}  // namespace pivora
