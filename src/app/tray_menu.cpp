#include "app/switch_dialog.h"
#include "ui/texts.h"

namespace pivora {

namespace {
enum TrayCommand : int { Dismissed = 0, Open = 1, About = 2, Exit = 3 };
}  // namespace

void SwitchDialog::showMainWindow() {
    windows_.showWindow(window, win::kSwShowNormal);
    windows_.setForegroundWindow(window);
}

void SwitchDialog::onTrayNotify(std::intptr_t mouseMessage) {
    if (mouseMessage == win::kWmLButtonDblClk) {
        showMainWindow();
        return;
    }
    if (mouseMessage != win::kWmRButtonDown) return;

    OsHandle menu = windows_.createPopupMenu();
    if (menu == nullptr) return;
    windows_.appendMenu(menu, win::kMfString, Open, text::kMenuOpen);
    windows_.appendMenu(menu, win::kMfString, About, text::kMenuAbout);
    windows_.appendMenu(menu, win::kMfSeparator, 0, nullptr);
    windows_.appendMenu(menu, win::kMfString, Exit, text::kMenuExit);
    // In front, so that the menu closes when the user clicks elsewhere.
    windows_.setForegroundWindow(window);
    int x = 0;
    int y = 0;
    windows_.getCursorPos(&x, &y);
    const int command = windows_.trackPopupMenu(menu, win::kTpmReturnCmdNoNotify, x, y, window);
    windows_.destroyMenu(menu);

    switch (command) {
        case Open:
            showMainWindow();
            break;
        case About:
            showAboutBox();
            break;
        case Exit:
            windows_.postMessage(window, win::kWmClose, 0, 0);
            break;
        default:
            break;
    }
}

void SwitchDialog::showAboutBox() { windows_.runAboutBox(window); }

void SwitchDialog::onTaskbarCreated() {
    if (liveInstance == 1) windows_.addTrayIcon(trayIcon);
}

}  // namespace pivora
