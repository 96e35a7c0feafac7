#include "platform/linux/desktop_settings.h"

#include <utility>

#include "platform/linux/gio_handles.h"
#include "platform/linux/glib_key_file.h"
#include "platform/linux/state_folder.h"

namespace pivora {

namespace {

constexpr const char* kGroup = "Pivora";
constexpr const char* kDoubleTapKeys = "DoubleTapKeys";
constexpr const char* kNotifications = "Notifications";
constexpr const char* kLog = "Log";

std::uint32_t readKeys(GKeyFile* keys, std::uint32_t fallback) {
    GError* error = nullptr;
    const gint value = g_key_file_get_integer(keys, kGroup, kDoubleTapKeys, &error);
    const GErrorHandle failure(error);
    if (failure || value < 0 || static_cast<std::uint32_t>(value) > lock_keys::kAll) return fallback;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

DesktopSettings::DesktopSettings(std::string file) : file_(std::move(file)) {}

DesktopChoices DesktopSettings::read() const {
    DesktopChoices choices;
    if (file_.empty()) return choices;
    const GKeyFileHandle keys = loadKeyFile(file_, kMaxBytes);
    if (!keys) return choices;
    choices.doubleTapKeys = readKeys(keys.get(), choices.doubleTapKeys);
    choices.notifications = readBoolean(keys.get(), kGroup, kNotifications, choices.notifications);
    choices.log = readBoolean(keys.get(), kGroup, kLog, choices.log);
    return choices;
}

bool DesktopSettings::write(const DesktopChoices& choices) const {
    if (file_.empty()) return false;
    const GKeyFileHandle keys(g_key_file_new());
    g_key_file_set_integer(keys.get(), kGroup, kDoubleTapKeys,
                           static_cast<gint>(choices.doubleTapKeys & lock_keys::kAll));
    g_key_file_set_boolean(keys.get(), kGroup, kNotifications, choices.notifications ? TRUE : FALSE);
    g_key_file_set_boolean(keys.get(), kGroup, kLog, choices.log ? TRUE : FALSE);
    return saveKeyFile(keys.get(), file_);
}

std::string desktopSettingsFile(const char* xdgConfigHome, const char* home) {
    const std::string config = userConfigFolder(xdgConfigHome, home);
    return config.empty() ? config : config + "/pivora/settings.ini";
}

}  // namespace pivora
