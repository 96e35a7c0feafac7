#include "printer/registry_walk.h"

#include <cstring>

namespace pivora {

namespace {
// Key names, their class texts and values are read into buffers of this size.
constexpr std::uint32_t kBufferSize = 1024;
}  // namespace

ScopedRegistryKey openRegistryKey(RegistryApi& registry, const std::string& path) {
    OsHandle key = nullptr;
    if (registry.openLocalMachineKey(path.c_str(), &key) != kRegistrySuccess) key = nullptr;
    return ScopedRegistryKey(key, RegistryKeyRelease{&registry});
}

bool subkeyName(RegistryApi& registry, OsHandle key, std::uint32_t index, std::string& name) {
    char buffer[kBufferSize] = {};
    char className[kBufferSize] = {};  // read and ignored
    std::uint32_t length = kBufferSize;
    std::uint32_t classLength = kBufferSize;
    if (registry.enumKey(key, index, buffer, &length, className, &classLength) != kRegistrySuccess) return false;
    name.assign(buffer, strnlen(buffer, length < kBufferSize ? length : kBufferSize));
    return true;
}

bool readTextValue(RegistryApi& registry, OsHandle key, const char* valueName, std::string& value) {
    std::uint8_t data[kBufferSize] = {};
    std::uint32_t size = kBufferSize;
    std::uint32_t type = 0;
    if (registry.queryValue(key, valueName, &type, data, &size) != kRegistrySuccess) return false;
    if (type != kRegString && type != kRegExpandString) return false;
    const std::size_t stored = size < kBufferSize ? size : kBufferSize;
    value.assign(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), stored));
    return true;
}

bool findFirstInstance(RegistryApi& registry, const std::string& base, const char* instanceSuffix,
                       const char* valueName, const std::function<bool(const std::string&)>& matches,
                       std::string& keyName, std::string& instanceName) {
    ScopedRegistryKey root = openRegistryKey(registry, base);
    std::string key;
    for (std::uint32_t keyIndex = 0; root && subkeyName(registry, root.get(), keyIndex, key); ++keyIndex) {
        const std::string keyPath = base + "\\" + key;
        ScopedRegistryKey keyHandle = openRegistryKey(registry, keyPath);
        if (!keyHandle) continue;
        std::string instance;
        for (std::uint32_t instanceIndex = 0; subkeyName(registry, keyHandle.get(), instanceIndex, instance);
             ++instanceIndex) {
            ScopedRegistryKey instanceKey = openRegistryKey(registry, keyPath + "\\" + instance + instanceSuffix);
            std::string value;
            if (instanceKey && readTextValue(registry, instanceKey.get(), valueName, value) && matches(value)) {
                keyName = key;
                instanceName = instance;
                return true;
            }
        }
    }
    return false;
}

}  // namespace pivora
