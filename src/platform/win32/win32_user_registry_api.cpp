#include "platform/win32/win32_user_registry_api.h"

#include "platform/win32/windows_api.h"

namespace pivora {

static_assert(kRegStringValue == REG_SZ, "REG_SZ");
static_assert(kRegDword == REG_DWORD, "REG_DWORD");
static_assert(sizeof(char16_t) == sizeof(WCHAR), "WCHAR");

namespace {

HKEY keyOf(OsHandle key) { return static_cast<HKEY>(key); }
const WCHAR* wide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }

}  // namespace

long Win32UserRegistryApi::openKey(const char16_t* path, OsHandle* key) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, wide(path), 0, KEY_QUERY_VALUE, &opened);
    *key = status == ERROR_SUCCESS ? opened : nullptr;
    return status;
}

long Win32UserRegistryApi::createKey(const char16_t* path, OsHandle* key) {
    HKEY opened = nullptr;
    const LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, wide(path), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                        nullptr, &opened, nullptr);
    *key = status == ERROR_SUCCESS ? opened : nullptr;
    return status;
}

long Win32UserRegistryApi::queryValue(OsHandle key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                                      std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD bytes = size != nullptr ? *size : 0;
    const LONG status = RegQueryValueExW(keyOf(key), wide(name), nullptr, &valueType, data,
                                         size != nullptr ? &bytes : nullptr);
    if (type != nullptr) *type = valueType;
    if (size != nullptr) *size = bytes;
    return status;
}

long Win32UserRegistryApi::setValue(OsHandle key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                                    std::uint32_t size) {
    return RegSetValueExW(keyOf(key), wide(name), 0, type, data, size);
}

long Win32UserRegistryApi::deleteValue(OsHandle key, const char16_t* name) {
    return RegDeleteValueW(keyOf(key), wide(name));
}

long Win32UserRegistryApi::closeKey(OsHandle key) { return RegCloseKey(keyOf(key)); }

}  // namespace pivora
