#pragma once

namespace pivora {

// The display server the desktop runs on: the double tap of lock keys is
// watched on X11 only, since Wayland gives no program other windows' keys.
enum class DisplayServer { X11, Wayland, None };

// From the environment's WAYLAND_DISPLAY, DISPLAY and XDG_SESSION_TYPE (each
// may be null). A Wayland session also sets DISPLAY for its X clients, but
// an X client there sees only the keys typed into X windows: Wayland wins.
DisplayServer detectDisplayServer(const char* waylandDisplay, const char* display, const char* sessionType);

}  // namespace pivora
