#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/user_registry_api.h"

namespace pivora::test {

// The current user's registry in memory: keys by path, values by name, each
// its type and bytes as Windows keeps them. Counts keys opened and closed.
class FakeUserRegistry : public UserRegistryApi {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::map<std::u16string, std::map<std::u16string, Value>> keys;
    int opened = 0;
    int closed = 0;
    bool refuseWrites = false;  // as for a key the user may not change

    void put(const std::u16string& path, const std::u16string& name, std::uint32_t type,
             std::vector<std::uint8_t> bytes) {
        keys[path][name] = Value{type, std::move(bytes)};
    }
    const Value* find(const std::u16string& path, const std::u16string& name) const {
        const auto key = keys.find(path);
        if (key == keys.end()) return nullptr;
        const auto value = key->second.find(name);
        return value == key->second.end() ? nullptr : &value->second;
    }

    long openKey(const char16_t* path, OsHandle* key) override {
        const auto found = keys.find(path);
        if (found == keys.end()) {
            *key = nullptr;
            return kFileNotFound;
        }
        return open(found->first, key);
    }
    long createKey(const char16_t* path, OsHandle* key) override {
        if (refuseWrites) {
            *key = nullptr;
            return kAccessDenied;
        }
        keys[path];
        return open(keys.find(path)->first, key);
    }
    long queryValue(OsHandle key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override {
        const auto& values = keys.at(pathOf(key));
        const auto value = values.find(name);
        if (value == values.end()) return kFileNotFound;
        const auto needed = static_cast<std::uint32_t>(value->second.bytes.size());
        if (type != nullptr) *type = value->second.type;
        if (data != nullptr && size != nullptr && *size < needed) {
            *size = needed;
            return kMoreData;
        }
        if (data != nullptr && needed > 0) std::memcpy(data, value->second.bytes.data(), needed);
        if (size != nullptr) *size = needed;
        return 0;
    }
    long setValue(OsHandle key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                  std::uint32_t size) override {
        keys.at(pathOf(key))[name] = Value{type, std::vector<std::uint8_t>(data, data + size)};
        return 0;
    }
    long deleteValue(OsHandle key, const char16_t* name) override {
        return keys.at(pathOf(key)).erase(name) == 1 ? 0 : kFileNotFound;
    }
    long closeKey(OsHandle key) override {
        ++closed;
        open_.erase(key);
        return 0;
    }

private:
    static constexpr long kFileNotFound = 2;
    static constexpr long kAccessDenied = 5;
    static constexpr long kMoreData = 234;

    long open(const std::u16string& path, OsHandle* key) {
        ++opened;
        *key = reinterpret_cast<OsHandle>(static_cast<std::uintptr_t>(0x7000 + opened));
        open_[*key] = path;
        return 0;
    }
    const std::u16string& pathOf(OsHandle key) const { return open_.at(key); }

    std::map<OsHandle, std::u16string> open_;
};

}  // namespace pivora::test
