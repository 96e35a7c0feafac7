#pragma once

#include <cstdint>

#include "platform/registry_api.h"

namespace pivora {

// The real registry under HKEY_LOCAL_MACHINE: each call is the one Windows
// call its contract in registry_api.h names, reporting the LSTATUS as it
// comes and a key that did not open as nullptr. No state, no logic.
class Win32RegistryApi : public RegistryApi {
public:
    long openLocalMachineKey(const char* path, OsHandle* key) override;
    long enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength, char* className,
                 std::uint32_t* classLength) override;
    long queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long closeKey(OsHandle key) override;
};

}  // namespace pivora
