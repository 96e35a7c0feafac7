#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace pivora {

// The whole of a small regular file. Nothing for a file that is missing, not
// a regular file (a directory, a FIFO, a symlink loop), unreadable or longer
// than `maxBytes`: whatever the file holds, reading it is bounded.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes);

}  // namespace pivora
