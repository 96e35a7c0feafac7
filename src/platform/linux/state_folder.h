#pragma once

#include <string>

namespace pivora {

// Where Pivora keeps what it must remember across starts on Linux:
// $XDG_STATE_HOME/pivora, else ~/.local/state/pivora. The program passes its
// environment's values (either may be null); a relative XDG_STATE_HOME is
// ignored, as the base directory rules say. Empty when neither gives an
// absolute place.
std::string pivoraStateFolder(const char* xdgStateHome, const char* home);

// The user's configuration folder by the same rules: $XDG_CONFIG_HOME, else
// ~/.config; empty when neither gives an absolute place.
std::string userConfigFolder(const char* xdgConfigHome, const char* home);

}  // namespace pivora
