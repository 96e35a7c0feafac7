#include "platform/linux/glib_key_file.h"

#include "platform/linux/gio_handles.h"
#include "platform/linux/small_file.h"
#include "platform/posix/make_folders.h"

namespace pivora {

GKeyFileHandle loadKeyFile(const std::string& path, std::size_t maxBytes) {
    const std::optional<std::string> text = readSmallFile(path, maxBytes);
    if (!text) return nullptr;
    GKeyFileHandle keys(g_key_file_new());
    GError* error = nullptr;
    const gboolean loaded =
        g_key_file_load_from_data(keys.get(), text->data(), text->size(), G_KEY_FILE_KEEP_TRANSLATIONS, &error);
    const GErrorHandle failure(error);
    return loaded ? std::move(keys) : nullptr;
}

bool readBoolean(GKeyFile* keys, const char* group, const char* key, bool fallback) {
    GError* error = nullptr;
    const gboolean value = g_key_file_get_boolean(keys, group, key, &error);
    const GErrorHandle failure(error);
    return failure ? fallback : value != FALSE;
}

bool saveKeyFile(GKeyFile* keys, const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0 || !makeFolders(path.substr(0, slash))) return false;
    gsize length = 0;
    const GCharHandle text(g_key_file_to_data(keys, &length, nullptr));
    GError* error = nullptr;
    const gboolean saved = g_file_set_contents(path.c_str(), text.get(), static_cast<gssize>(length), &error);
    const GErrorHandle failure(error);
    return saved != FALSE;
}

}  // namespace pivora
