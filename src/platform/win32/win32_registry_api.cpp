#include "platform/win32/win32_registry_api.h"

#include "platform/win32/windows_api.h"

namespace pivora {

static_assert(KEY_READ == 0x20019, "KEY_READ");
static_assert(kRegistrySuccess == ERROR_SUCCESS, "ERROR_SUCCESS");
static_assert(kRegString == REG_SZ, "REG_SZ");
static_assert(kRegExpandString == REG_EXPAND_SZ, "REG_EXPAND_SZ");
static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "DWORD");

namespace {

HKEY keyOf(OsHandle key) { return static_cast<HKEY>(key); }

}  // namespace

long Win32RegistryApi::openLocalMachineKey(const char* path, OsHandle* key) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &opened);
    *key = status == ERROR_SUCCESS ? opened : nullptr;
    return status;
}

long Win32RegistryApi::enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                               char* className, std::uint32_t* classLength) {
    // The lengths are DWORDs to Windows: in and out through copies.
    DWORD nameChars = nameLength != nullptr ? *nameLength : 0;
    DWORD classChars = classLength != nullptr ? *classLength : 0;
    const LONG status = RegEnumKeyExA(keyOf(key), index, name, nameLength != nullptr ? &nameChars : nullptr, nullptr,
                                      className, classLength != nullptr ? &classChars : nullptr, nullptr);
    if (nameLength != nullptr) *nameLength = nameChars;
    if (classLength != nullptr) *classLength = classChars;
    return status;
}

long Win32RegistryApi::queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) {
    DWORD valueType = type != nullptr ? *type : 0;
    DWORD bytes = size != nullptr ? *size : 0;
    const LONG status = RegQueryValueExA(keyOf(key), valueName, nullptr, type != nullptr ? &valueType : nullptr, data,
                                         size != nullptr ? &bytes : nullptr);
    if (type != nullptr) *type = valueType;
    if (size != nullptr) *size = bytes;
    return status;
}

long Win32RegistryApi::closeKey(OsHandle key) { return RegCloseKey(keyOf(key)); }

}  // namespace pivora
