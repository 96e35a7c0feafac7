#include "settings/user_key.h"

#include <array>
#include <cstring>
#include <vector>

namespace pivora {

namespace {
constexpr long kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
// Longer strings are none of Pivora's: a path of the longest kind Windows
// allows, quoted.
constexpr std::uint32_t kMaxStringBytes = 2 * 32770;
}  // namespace

UserKey::UserKey(UserRegistryApi& registry, const char16_t* path, bool create) : registry_(registry) {
    OsHandle key = nullptr;
    const long status = create ? registry_.createKey(path, &key) : registry_.openKey(path, &key);
    if (status == 0) key_ = key;
}

UserKey::~UserKey() {
    if (key_ != nullptr) registry_.closeKey(key_);
}

std::optional<std::uint32_t> UserKey::readDword(const char16_t* name) const {
    if (key_ == nullptr) return std::nullopt;
    std::array<std::uint8_t, 4> data{};
    std::uint32_t type = 0;
    auto size = static_cast<std::uint32_t>(data.size());
    if (registry_.queryValue(key_, name, &type, data.data(), &size) != 0 || type != kRegDword || size != data.size())
        return std::nullopt;
    std::uint32_t value = 0;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::optional<std::u16string> UserKey::readString(const char16_t* name) const {
    if (key_ == nullptr) return std::nullopt;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry_.queryValue(key_, name, &type, nullptr, &size) != 0 || type != kRegStringValue ||
        size > kMaxStringBytes)
        return std::nullopt;
    // Room for a terminator the data may lack.
    std::vector<std::uint8_t> data(size + 2, 0);
    std::uint32_t stored = size;
    if (registry_.queryValue(key_, name, &type, data.data(), &stored) != 0 || type != kRegStringValue ||
        stored > size)
        return std::nullopt;
    std::u16string text(stored / 2, u'\0');
    std::memcpy(text.data(), data.data(), text.size() * 2);
    // Up to the first terminator, if the data holds one.
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    return text;
}

bool UserKey::writeDword(const char16_t* name, std::uint32_t value) {
    if (key_ == nullptr) return false;
    std::array<std::uint8_t, 4> data{};
    std::memcpy(data.data(), &value, sizeof value);
    return registry_.setValue(key_, name, kRegDword, data.data(), static_cast<std::uint32_t>(data.size())) == 0;
}

bool UserKey::writeString(const char16_t* name, const std::u16string& value) {
    if (key_ == nullptr) return false;
    // With its terminator, as Windows keeps a REG_SZ.
    const auto bytes = static_cast<std::uint32_t>((value.size() + 1) * 2);
    std::vector<std::uint8_t> data(bytes, 0);
    std::memcpy(data.data(), value.data(), value.size() * 2);
    return registry_.setValue(key_, name, kRegStringValue, data.data(), bytes) == 0;
}

bool UserKey::remove(const char16_t* name) {
    if (key_ == nullptr) return false;
    const long status = registry_.deleteValue(key_, name);
    return status == 0 || status == kFileNotFound;
}

}  // namespace pivora
