#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/user_registry_api.h"

namespace pivora {

// One key of the current user's registry, open for as long as this lives.
// Reads check what they get: a value of another type or size, or a string
// without room for its end, reads as absent.
class UserKey {
public:
    // Opens `path` to read; `create` opens it to write, made when missing.
    UserKey(UserRegistryApi& registry, const char16_t* path, bool create);
    ~UserKey();
    UserKey(const UserKey&) = delete;
    UserKey& operator=(const UserKey&) = delete;

    bool isOpen() const { return key_ != nullptr; }
    std::optional<std::uint32_t> readDword(const char16_t* name) const;
    std::optional<std::u16string> readString(const char16_t* name) const;
    bool writeDword(const char16_t* name, std::uint32_t value);
    bool writeString(const char16_t* name, const std::u16string& value);
    // True also when there was no such value.
    bool remove(const char16_t* name);

private:
    UserRegistryApi& registry_;
    OsHandle key_ = nullptr;
};

}  // namespace pivora
