#pragma once

#include <cstdint>

#include "platform/user_registry_api.h"
#include "settings/lock_keys.h"

namespace pivora {

// Pivora's settings, kept under HKEY_CURRENT_USER\Software\Pivora and read
// afresh each time, so that what the menu shows is what is stored. A value
// that is missing, of another type or out of range reads as its default;
// the defaults are how Pivora behaves when nobody changed anything.
class UserSettings {
public:
    static constexpr const char16_t* kKeyPath = u"Software\\Pivora";

    explicit UserSettings(UserRegistryApi& registry) : registry_(registry) {}

    // Default: all three lock keys.
    std::uint32_t doubleTapKeys() const;
    bool setDoubleTapKeys(std::uint32_t keys);
    // Balloons when a port arrives, leaves or stays. Default: on.
    bool notifications() const;
    bool setNotifications(bool on);
    // The diagnostic log. Default: off.
    bool logging() const;
    bool setLogging(bool on);

private:
    std::uint32_t read(const char16_t* name, std::uint32_t fallback, std::uint32_t highest) const;
    bool write(const char16_t* name, std::uint32_t value);

    UserRegistryApi& registry_;
};

}  // namespace pivora
