#pragma once

#include "app/start_options.h"

namespace pivora {

// `pivora` with no request: the control with its window and tray icon on
// the desktop. A second start brings up the running one's window. The exit
// status of the program.
int runDesktop(const StartOptions& options);

}  // namespace pivora
