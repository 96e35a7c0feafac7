#pragma once

#include <functional>

#include "app/start_options.h"

namespace pivora {

// What WinMain does in both builds: reads the program's command line, then
// hands a command to the running Pivora and prints its answer, or prints
// the usage text, or runs the tray program through `startTray` with the
// start options given. Returns the exit status.
int runFromCommandLine(const std::function<int(const StartOptions&)>& startTray);

}  // namespace pivora
