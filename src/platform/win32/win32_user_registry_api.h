#pragma once

#include "platform/user_registry_api.h"

namespace pivora {

// The real registry under HKEY_CURRENT_USER: each call is the one Windows
// call its contract in user_registry_api.h names, the LSTATUS as it comes
// and a key that did not open as nullptr.
class Win32UserRegistryApi : public UserRegistryApi {
public:
    long openKey(const char16_t* path, OsHandle* key) override;
    long createKey(const char16_t* path, OsHandle* key) override;
    long queryValue(OsHandle key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
    long setValue(OsHandle key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override;
    long deleteValue(OsHandle key, const char16_t* name) override;
    long closeKey(OsHandle key) override;
};

}  // namespace pivora
