#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

constexpr long kRegistrySuccess = 0;  // ERROR_SUCCESS
constexpr std::uint32_t kRegString = 1;        // REG_SZ
constexpr std::uint32_t kRegExpandString = 2;  // REG_EXPAND_SZ

// The registry under HKEY_LOCAL_MACHINE, read only. Results are the LSTATUS
// codes Windows returns, 0 for success.
class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key). Release with closeKey.
    virtual long openLocalMachineKey(const char* path, OsHandle* key) = 0;

    // RegEnumKeyExA(key, index, name, nameLength, no reserved, className,
    // classLength, no time). Lengths in: buffer sizes; out: characters written.
    virtual long enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                         std::uint32_t* classLength) = 0;

    // RegQueryValueExA(key, valueName, no reserved, type, data, size). Size
    // in: the buffer's size; out: bytes stored. String data need not be
    // terminated.
    virtual long queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                            std::uint32_t* size) = 0;

    // RegCloseKey.
    virtual long closeKey(OsHandle key) = 0;
};

}  // namespace pivora
