#pragma once

#include <functional>

#include "app/start_options.h"
#include "log/diagnostic_log.h"
#include "platform/platform.h"
#include "platform/win32/windows_api.h"

namespace pivora {

class SwitchDialog;

// The application object: creates the main window's object over `platform`
// and runs it until the tray menu's Exit ends the run. The product hands it
// the real platform; the simulated build, the switch simulator's.
class SwitchApp {
public:
    // `options` are those of the command line (--log). `log`, when there is
    // one, is the diagnostic log the platform's trace writes, for the tray
    // menu to switch. `windowCreated` learns the main window as soon as it
    // exists, before its run begins (the simulated build posts device
    // changes to it).
    int run(HINSTANCE module, Platform& platform, const StartOptions& options, DiagnosticLog* log,
            const std::function<void(HWND)>& windowCreated = {});

private:
    // The modal run of the main window. It is a loop of its own rather than
    // DialogBoxParam: that one shows a hidden dialog again the first time its
    // queue goes idle, and the window must stay hidden from the start.
    static void runModal(SwitchDialog& dialog, HWND window);
};

}  // namespace pivora
