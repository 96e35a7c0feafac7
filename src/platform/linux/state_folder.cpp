#include "platform/linux/state_folder.h"

namespace pivora {

namespace {

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

}  // namespace

std::string pivoraStateFolder(const char* xdgStateHome, const char* home) {
    if (isAbsolute(xdgStateHome)) return std::string(xdgStateHome) + "/pivora";
    if (isAbsolute(home)) return std::string(home) + "/.local/state/pivora";
    return {};
}

std::string userConfigFolder(const char* xdgConfigHome, const char* home) {
    if (isAbsolute(xdgConfigHome)) return xdgConfigHome;
    if (isAbsolute(home)) return std::string(home) + "/.config";
    return {};
}

}  // namespace pivora
