#pragma once

#include <string>
#include <vector>

#include "app/gtk/desktop_program.h"
#include "app/linux/linux_host.h"

namespace pivora {

// The Linux program on the computer `roots` describe: `pivora` starts it
// with its window and tray icon, `pivora run` runs the switch's control in
// the foreground without them; `pivora status|claim|release|toggle` ask the
// one running; `watch` looks on at the desktop. Its exit status.
int linuxMain(const std::vector<std::string>& arguments, const LinuxRoots& roots, const WatchDesktop& watch = {});

}  // namespace pivora
