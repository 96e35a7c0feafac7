#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/os_handle.h"
#include "platform/registry_api.h"

namespace pivora {

struct RegistryKeyRelease {
    RegistryApi* api;
    void operator()(OsHandle key) const { api->closeKey(key); }
};
using ScopedRegistryKey = ScopedOsHandle<RegistryKeyRelease>;

// A key under HKEY_LOCAL_MACHINE opened for reading; empty when it cannot be.
ScopedRegistryKey openRegistryKey(RegistryApi& registry, const std::string& path);

// The name of subkey `index`; false past the last one or on any failure.
bool subkeyName(RegistryApi& registry, OsHandle key, std::uint32_t index, std::string& name);

// A text value, terminated within its buffer whatever the registry stored;
// false when it is missing, too long, or not text.
bool readTextValue(RegistryApi& registry, OsHandle key, const char* valueName, std::string& value);

// Walks base\<key>\<instance><instanceSuffix> in enumeration order and stops
// at the first whose value `valueName` satisfies `matches`, giving the key's
// and the instance's names. Keys that cannot be opened are passed over.
bool findFirstInstance(RegistryApi& registry, const std::string& base, const char* instanceSuffix,
                       const char* valueName, const std::function<bool(const std::string&)>& matches,
                       std::string& keyName, std::string& instanceName);

}  // namespace pivora
