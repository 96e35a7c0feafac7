#include "platform/linux/xdg_autostart.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/linux/gio_handles.h"
#include "platform/linux/glib_key_file.h"
#include "platform/linux/state_folder.h"

namespace pivora {

namespace {

constexpr const char* kGroup = G_KEY_FILE_DESKTOP_GROUP;

// One argument of an Exec line: in double quotes, with the characters the
// desktop entry rules reserve there escaped, and a percent sign doubled so
// that it is not taken for a field code.
std::string quotedArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + '"';
}

// The program an Exec line starts: its first argument, unquoted as the
// desktop does it; empty when the line cannot be read.
std::string programOf(const std::string& exec) {
    std::string literal;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        literal += exec[i];
        if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%') ++i;
    }
    gint count = 0;
    gchar** raw = nullptr;
    if (!g_shell_parse_argv(literal.c_str(), &count, &raw, nullptr)) return {};
    const std::unique_ptr<gchar*, void (*)(gchar**)> argv(raw, g_strfreev);
    return count > 0 ? argv.get()[0] : std::string();
}

}  // namespace

XdgAutostart::XdgAutostart(std::string autostartFolder, std::string programPath)
    : file_(autostartFolder.empty() ? std::string() : std::move(autostartFolder) + "/" + kFileName),
      programPath_(std::move(programPath)) {}

bool XdgAutostart::enabled() const {
    if (file_.empty() || programPath_.empty()) return false;
    const GKeyFileHandle keys = loadKeyFile(file_, kMaxBytes);
    if (!keys) return false;
    const GCharHandle exec(g_key_file_get_string(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr));
    return exec && programOf(exec.get()) == programPath_ &&
           !readBoolean(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_HIDDEN, false) &&
           readBoolean(keys.get(), kGroup, "X-GNOME-Autostart-enabled", true);
}

bool XdgAutostart::set(bool on) {
    if (file_.empty()) return false;
    if (!on) return ::unlink(file_.c_str()) == 0 || errno == ENOENT;
    if (programPath_.empty()) return false;
    const GKeyFileHandle keys(g_key_file_new());
    g_key_file_set_string(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_TYPE, G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
    g_key_file_set_string(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_NAME, "Pivora");
    g_key_file_set_string(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_COMMENT,
                          "Shows and moves the USB sharing switch's ports");
    g_key_file_set_string(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_EXEC, quotedArgument(programPath_).c_str());
    g_key_file_set_string(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_ICON, "pivora");
    g_key_file_set_boolean(keys.get(), kGroup, G_KEY_FILE_DESKTOP_KEY_TERMINAL, FALSE);
    g_key_file_set_boolean(keys.get(), kGroup, "X-GNOME-Autostart-enabled", TRUE);
    return saveKeyFile(keys.get(), file_);
}

std::string xdgAutostartFolder(const char* xdgConfigHome, const char* home) {
    const std::string config = userConfigFolder(xdgConfigHome, home);
    return config.empty() ? config : config + "/autostart";
}

}  // namespace pivora
