#pragma once

#include <glib.h>

#include <memory>
#include <optional>
#include <string>

namespace pivora {

struct GKeyFileRelease {
    void operator()(GKeyFile* keys) const { g_key_file_free(keys); }
};
using GKeyFileHandle = std::unique_ptr<GKeyFile, GKeyFileRelease>;

// The key file at `path`, read whole but bounded by `maxBytes`; null when it
// is missing, too long, not a regular file or not a key file at all.
GKeyFileHandle loadKeyFile(const std::string& path, std::size_t maxBytes);

// The boolean `key` of `group`; `fallback` when it is missing or not a boolean.
bool readBoolean(GKeyFile* keys, const char* group, const char* key, bool fallback);

// Writes `keys` to `path` as one step (a temporary file renamed over it),
// making the folder it goes in, private to the user, when it is missing.
bool saveKeyFile(GKeyFile* keys, const std::string& path);

}  // namespace pivora
