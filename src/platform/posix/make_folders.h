#pragma once

#include <string>

namespace pivora {

// Makes `folder` and every missing folder on the way,
// private to the user as the base directory rules ask of the folders they
// name; ~/.local/state and ~/.config need not exist on a new account. True
// when `folder` is a folder afterwards, whoever made it.
bool makeFolders(const std::string& folder);

}  // namespace pivora
