#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

constexpr std::uint32_t kRegStringValue = 1;  // REG_SZ
constexpr std::uint32_t kRegDword = 4;        // REG_DWORD

// The current user's part of the registry, where Pivora keeps its settings
// and its entry among the programs that start with Windows. Paths, names and
// string data are UTF-16: an exe path may hold any character. Results are
// the LSTATUS codes Windows returns, 0 for success. Nothing here needs more
// than a standard user's rights.
class UserRegistryApi {
public:
    virtual ~UserRegistryApi() = default;

    // RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, key).
    // Release with closeKey.
    virtual long openKey(const char16_t* path, OsHandle* key) = 0;
    // RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, no class, 0,
    // KEY_QUERY_VALUE | KEY_SET_VALUE, no security, key, no disposition):
    // opened, or made first when missing. Release with closeKey.
    virtual long createKey(const char16_t* path, OsHandle* key) = 0;
    // RegQueryValueExW(key, name, no reserved, type, data, size). Size in:
    // the buffer's size; out: bytes stored. String data need not be
    // terminated.
    virtual long queryValue(OsHandle key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* size) = 0;
    // RegSetValueExW(key, name, 0, type, data, size).
    virtual long setValue(OsHandle key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                          std::uint32_t size) = 0;
    // RegDeleteValueW(key, name).
    virtual long deleteValue(OsHandle key, const char16_t* name) = 0;
    // RegCloseKey.
    virtual long closeKey(OsHandle key) = 0;
};

}  // namespace pivora
