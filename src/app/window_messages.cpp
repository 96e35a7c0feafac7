#include "app/switch_dialog.h"
#include "ui/resource_ids.h"

namespace pivora {

void SwitchDialog::onWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
        case win::kWmSize:
            handleSize(wParam, static_cast<int>(lParam & 0xFFFF), static_cast<int>((lParam >> 16) & 0xFFFF));
            break;
        case win::kWmTimer:
            if (wParam == kTickTimer || wParam == kPrinterTimer) controlTick(wParam);
            break;
        case win::kWmDeviceChange:
            onDeviceChange();
            break;
        case win::kWmPowerBroadcast:
            onPowerBroadcast(wParam);
            break;
        case win::kWmQueryEndSession:
            onQueryEndSession();
            break;
        case win::kWmEndSession:
            onEndSession(wParam != 0);
            break;
        case win::kWmSwitchHotkey:
            toggleAllPorts();
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
    switch (controlId) {
        case IDC_OK:
            hideToTray();
            break;
        case IDC_DEBUG_CLEAR:
            dumpPortIds();
            break;
        default:
            onArrowClicked(controlId);
            break;
    }
}

void SwitchDialog::onDeviceChange() {
    // Whatever changed, the controller and the hub are looked for afresh.
    controllerOpen = 0;
    hubReady = 0;
}

void SwitchDialog::onPowerBroadcast(std::uintptr_t event) {
    if (event == win::kPbtApmResumeSuspend || event == win::kPbtApmResumeAutomatic) {
        // Every wake brings the automatic resume, and a wake the user caused
        // the other one too: the first starts over, the second finds it done.
        if (wokenSinceSuspend == 1) return;
        wokenSinceSuspend = 1;
        // After a sleep anything may have moved.
        startOver();
    } else if (event == win::kPbtApmSuspend) {
        wokenSinceSuspend = 0;
        signOffAndClose();
    }
}

void SwitchDialog::onQueryEndSession() { signOffAndClose(); }

void SwitchDialog::onEndSession(bool ending) {
    // A logoff or shutdown that was cancelled left the channel closed: the
    // next tick connects again rather than stay deaf.
    if (!ending) onDeviceChange();
}

void SwitchDialog::signOffAndClose() {
    sendRequest(channel, signOff());
    channel.cancelPending();
    channel.close();
}

}  // namespace pivora
