#include "app/switch_dialog.h"
#include "ui/resource_ids.h"

namespace pivora {

void SwitchDialog::onWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
        case win::kWmSize:
            handleSize(wParam, static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
            break;
        case win::kWmSwitchPanel:
            renderPanel();
            break;
        case win::kWmSwitchRescale:
            rescale(static_cast<int>(wParam));
            break;
        case win::kWmDeviceChange:
            control_.post(Command{Command::DeviceChanged});
            break;
        case win::kWmPowerBroadcast:
            onPowerBroadcast(wParam);
            break;
        case win::kWmQueryEndSession:
            // The session may end as soon as this returns.
            control_.postAndWait(Command{Command::QueryEndSession}, kSignOffWaitMs);
            break;
        case win::kWmEndSession:
            control_.postAndWait(Command{Command::EndSession, wParam != 0 ? 1 : 0}, kSignOffWaitMs);
            break;
        case win::kWmSwitchHotkey:
            control_.post(Command{Command::ToggleAll});
            break;
        case win::kWmSwitchTray:
            onTrayNotify(lParam);
            break;
        case win::kWmCommand:
            onCommand(static_cast<int>(wParam & 0xFFFF), static_cast<int>((wParam >> 16) & 0xFFFF));
            break;
        default:
            break;
    }
}

void SwitchDialog::onCommand(int controlId, int notification) {
    if (notification != static_cast<int>(win::kBnClicked)) return;
    bool claims = false;
    int port = 0;
    if (controlId == IDC_OK) {
        hideToTray();
    } else if (controlId == IDC_DEBUG_CLEAR) {
        control_.post(Command{Command::DumpPortIds});
    } else if (PanelView::arrowOf(controlId, claims, port)) {
        control_.post(Command{claims ? Command::Claim : Command::Release, port});
    }
}

void SwitchDialog::onPowerBroadcast(std::uintptr_t event) {
    if (event == win::kPbtApmResumeSuspend || event == win::kPbtApmResumeAutomatic) {
        control_.post(Command{Command::Resume});
    } else if (event == win::kPbtApmSuspend) {
        // The system may sleep as soon as this returns.
        control_.postAndWait(Command{Command::Suspend}, kSignOffWaitMs);
    }
}

}  // namespace pivora
