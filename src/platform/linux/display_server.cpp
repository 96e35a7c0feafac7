#include "platform/linux/display_server.h"

#include <cstring>

namespace pivora {

namespace {
bool isSet(const char* value) { return value != nullptr && value[0] != '\0'; }
}  // namespace

DisplayServer detectDisplayServer(const char* waylandDisplay, const char* display, const char* sessionType) {
    if (isSet(waylandDisplay) || (isSet(sessionType) && std::strcmp(sessionType, "wayland") == 0))
        return DisplayServer::Wayland;
    return isSet(display) ? DisplayServer::X11 : DisplayServer::None;
}

}  // namespace pivora
