#include "app/switch_app.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/busy_notice_dialog.h"
#include "app/lock_key_hook.h"
#include "app/main_dialog_proc.h"
#include "app/switch_dialog.h"
#include "control/control_thread.h"
#include "platform/win32/win32_user_registry_api.h"
#include "platform/win32/win32_window_api.h"
#include "ui/resource_ids.h"

namespace pivora {

namespace {

bool belongsTo(HWND window, HWND dialog) { return dialog != nullptr && (window == dialog || IsChild(dialog, window)); }

// The full path of this exe, or empty when it does not fit the longest path
// Windows has.
std::u16string runningExePath() {
    std::vector<WCHAR> path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(path.data()), length);
}

}  // namespace

int SwitchApp::run(HINSTANCE module, Platform& platform, const StartOptions& options, DiagnosticLog* log,
                   const std::function<void(HWND)>& windowCreated) {
    // The version 6 controls the manifest asks for, in the system's visual style.
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&commonControls);
    Win32WindowApi windows(module, AboutDialog::procedure, BusyNoticeDialog::procedure, lockKeyHook);

    // The control runs on a thread of its own; the window only shows it.
    ControlThread control(platform);
    Win32UserRegistryApi registry;
    SwitchDialog dialog(control, windows, registry, runningExePath());
    if (log != nullptr) dialog.useLog(*log, options.log);
    const HWND window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_PORT_PANEL), nullptr, mainDialogProcedure,
                                           reinterpret_cast<LPARAM>(&dialog));
    if (window == nullptr) return 1;
    if (windowCreated) windowCreated(window);
    runModal(dialog, window);
    dialog.tearDownMainWindow();
    return 0;
}

void SwitchApp::runModal(SwitchDialog& dialog, HWND window) {
    // The cancel command posts WM_QUIT (see mainDialogProcedure), which also
    // ends any nested modal loop (the About box) on its way here.
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (belongsTo(message.hwnd, window)) {
            const QueuedMessage queued{message.hwnd,   message.message, message.wParam,
                                       message.lParam, message.pt.x,    message.pt.y};
            if (dialog.filterMainWindowInput(queued)) continue;
            if (IsDialogMessageA(window, &message)) continue;
        } else {
            const HWND notice = static_cast<HWND>(dialog.busyNotice);
            if (belongsTo(message.hwnd, notice) && IsDialogMessageA(notice, &message)) continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace pivora

