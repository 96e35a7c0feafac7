// The product: one SwitchApp over the real platform, running the main window
// until the tray menu's Exit ends it.

#include "app/switch_app.h"
#include "platform/diagnostic_trace.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR, int) {
    pivora::DiagnosticTrace trace;  // the product's trace discards everything
    pivora::Win32Platform real(trace);
    pivora::SwitchApp app;
    return app.run(module, real.platform);
}
