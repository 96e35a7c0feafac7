#include "settings/user_settings.h"

#include "settings/user_key.h"

namespace pivora {

namespace {
constexpr const char16_t* kDoubleTapKeys = u"DoubleTapKeys";
constexpr const char16_t* kNotifications = u"Notifications";
constexpr const char16_t* kLog = u"Log";
}  // namespace

std::uint32_t UserSettings::read(const char16_t* name, std::uint32_t fallback, std::uint32_t highest) const {
    const UserKey key(registry_, kKeyPath, false);
    const auto value = key.readDword(name);
    return value.has_value() && *value <= highest ? *value : fallback;
}

bool UserSettings::write(const char16_t* name, std::uint32_t value) {
    UserKey key(registry_, kKeyPath, true);
    return key.writeDword(name, value);
}

std::uint32_t UserSettings::doubleTapKeys() const { return read(kDoubleTapKeys, lock_keys::kAll, lock_keys::kAll); }

bool UserSettings::setDoubleTapKeys(std::uint32_t keys) {
    return write(kDoubleTapKeys, keys & lock_keys::kAll);
}

bool UserSettings::notifications() const { return read(kNotifications, 1, 1) != 0; }

bool UserSettings::setNotifications(bool on) { return write(kNotifications, on ? 1 : 0); }

bool UserSettings::logging() const { return read(kLog, 0, 1) != 0; }

bool UserSettings::setLogging(bool on) { return write(kLog, on ? 1 : 0); }

}  // namespace pivora
