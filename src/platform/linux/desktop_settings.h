#pragma once

#include <cstdint>
#include <string>

#include "settings/lock_keys.h"

namespace pivora {

// What the user chose in the tray menu; the defaults are the Windows ones,
// how Pivora behaves when nobody changed anything.
struct DesktopChoices {
    std::uint32_t doubleTapKeys = lock_keys::kAll;
    bool notifications = true;
    bool log = false;

    bool operator==(const DesktopChoices& other) const {
        return doubleTapKeys == other.doubleTapKeys && notifications == other.notifications && log == other.log;
    }
};

// The choices kept in a key file, group [Pivora], read afresh each time so
// that what the menu shows is what is stored. A key that is missing, of
// another type or out of range reads as its default, each key on its own; a
// file that is no key file at all reads as the defaults.
class DesktopSettings {
public:
    // No settings file is anywhere near this; a longer one is not ours.
    static constexpr std::size_t kMaxBytes = 4096;

    // `file`: where the settings are kept (desktopSettingsFile); empty, every
    // read gives the defaults and every write fails.
    explicit DesktopSettings(std::string file);

    DesktopChoices read() const;
    // Replaces the file as one step, making its folder, private to the user,
    // when it is missing. Bits past the three lock keys are dropped.
    bool write(const DesktopChoices& choices) const;

private:
    std::string file_;
};

// $XDG_CONFIG_HOME/pivora/settings.ini, else ~/.config/pivora/settings.ini,
// from the environment's values (either may be null); a relative
// XDG_CONFIG_HOME is ignored, as the base directory rules say. Empty when
// neither gives an absolute place.
std::string desktopSettingsFile(const char* xdgConfigHome, const char* home);

}  // namespace pivora
