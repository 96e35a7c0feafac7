// The product: one SwitchApp over the real platform, running the main window
// until the tray menu's Exit ends it; or, given a command, the command line
// of the copy that runs.

#include "app/command_line_main.h"
#include "app/switch_app.h"
#include "log/diagnostic_log_file.h"
#include "platform/win32/win32_log_file_api.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    return pivora::runFromCommandLine([module](const pivora::StartOptions& options) {
        // The diagnostic log in %LOCALAPPDATA%\Pivora, off until switched on;
        // declared first, so that it outlives the control's thread that writes it.
        pivora::Win32LogFileApi logFiles(pivora::Win32LogFileApi::pivoraFolder());
        pivora::DiagnosticLogFile trace(logFiles);
        pivora::Win32Platform real(trace);
        pivora::SwitchApp app;
        return app.run(module, real.platform, options, &trace);
    });
}
