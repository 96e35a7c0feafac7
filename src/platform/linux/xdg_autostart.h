#pragma once

#include <string>

namespace pivora {

// Start at login, the freedesktop way: pivora.desktop in the user's own
// autostart folder, nothing system-wide. Like the Windows Run entry it names
// the program by its full path, so after the program has moved the entry no
// longer counts as on until it is written again.
class XdgAutostart {
public:
    static constexpr const char* kFileName = "pivora.desktop";
    // An entry is a few lines; a longer file is not ours to read.
    static constexpr std::size_t kMaxBytes = 4096;

    // `autostartFolder`: xdgAutostartFolder (empty: never on, never set);
    // `programPath`: the running program's absolute path.
    XdgAutostart(std::string autostartFolder, std::string programPath);

    // True only when the entry there starts this very program and the
    // desktop has not been told to skip it (Hidden, or GNOME's switch off).
    bool enabled() const;
    // Writes the entry (made as one step, its folder made when missing) or
    // removes it; whether that worked.
    bool set(bool on);

private:
    std::string file_;
    std::string programPath_;
};

// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart; empty when neither
// gives an absolute place.
std::string xdgAutostartFolder(const char* xdgConfigHome, const char* home);

}  // namespace pivora
