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
            // The arrow buttons (1001 to 1008) are wired with the claims.
            break;
    }
}

void SwitchDialog::onDeviceChange() {
    // Whatever changed, the controller and the hub are looked for afresh.
    controllerOpen = 0;
    hubReady = 0;
}

}  // namespace pivora
