#include <cstring>
#include <utility>

#include "app/switch_dialog.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"

namespace pivora {

namespace {
// The fourth row's buttons are twice as tall in the template; at this size
// (at 96 dpi) all eight fit the 13 x 26 button images.
constexpr int kArrowButtonWidth = 15;
constexpr int kArrowButtonHeight = 27;
constexpr int kMenuTextSize = 128;

bool isSwallowedKey(std::uintptr_t key) {
    const auto code = static_cast<std::uint8_t>(key & 0xFF);
    return code == 0x0D || code == 0x1B || code == 0x20;  // Enter, Esc, Space
}
}  // namespace

int SwitchDialog::initMainWindow(OsHandle mainWindow, int dpi) {
    window = mainWindow;
    dpi_ = dpi;
    if (OsHandle systemMenu = windows_.getSystemMenu(window)) {
        // The program ends only through the tray menu's Exit.
        windows_.modifyMenu(systemMenu, win::kScClose, win::kMfByCommand | win::kMfGrayed, 0, nullptr);
        char16_t about[kMenuTextSize] = {};
        if (windows_.loadString(IDS_ABOUT_MENU, about, kMenuTextSize) > 0) {
            windows_.appendMenu(systemMenu, win::kMfSeparator, 0, nullptr);
            windows_.appendMenu(systemMenu, win::kMfString, win::kSysCommandAbout, about);
        }
    }
    windows_.setWindowIcon(window, win::kIconBig, appIcon);
    windows_.setWindowIcon(window, win::kIconSmall, appIcon);

    // This window still bears its template title, so only another running
    // copy can match.
    if (windows_.findTopLevelWindow(text::kMainWindowTitle) != nullptr) {
        liveInstance = 0;
        windows_.postMessage(window, win::kWmClose, 0, 0);
    } else {
        windows_.setWindowText(window, text::kMainWindowTitle);
        startLiveInstance();
    }
    return 1;
}

void SwitchDialog::startLiveInstance() {
    liveInstance = 1;
    if (log_ != nullptr && (logFromStart_ || settings_.logging())) log_->setEnabled(true);
    // The double tap can be switched off altogether: then no hook at all.
    const std::uint32_t lockKeys = settings_.doubleTapKeys();
    if (lockKeys != 0) keyboardHook = windows_.installKeyboardHook(window, lockKeys);

    trayIcon = TrayIconRecord{};
    trayIcon.window = window;
    trayIcon.id = 0;
    trayIcon.flags = win::kNifMessageIconTip;
    trayIcon.callbackMessage = win::kWmSwitchTray;
    trayIcon.icon = windows_.loadIcon(IDI_TRAY);
    std::strncpy(trayIcon.tip, text::kTrayTip, sizeof trayIcon.tip - 1);
    windows_.addTrayIcon(trayIcon);

    // Handled once initialisation has returned: the first hides the window,
    // the second starts the discovery of controller and hub.
    windows_.postMessage(window, win::kWmSize, win::kSizeMinimized, 0);
    windows_.postMessage(window, win::kWmDeviceChange, win::kDbtDevNodesChanged, 0);

    fitFourthRowButtons();

    busyNotice = windows_.createBusyNotice(window);
    windows_.setControlText(window, IDC_SOFTWARE_VERSION, text::kSoftwareVersion);
    const int percent = artPercentFor(dpi_);
    panelPictures_.show(window, percent);
    buttonImages_.load(percent);
    // No switch yet: the template's rows stay out of sight.
    renderPanel();
    // Each panel the control publishes is drawn when this window gets to it.
    control_.start([this] { windows_.postMessage(window, win::kWmSwitchPanel, 0, 0); });
}

int SwitchDialog::tearDownMainWindow() {
    // The control signs off and ends before the window it publishes to goes.
    control_.stop();
    if (keyboardHook != nullptr) {
        windows_.removeKeyboardHook(keyboardHook);
        keyboardHook = nullptr;
    }
    if (liveInstance == 1) {
        windows_.deleteTrayIcon(trayIcon);
        if (busyNotice != nullptr) {
            windows_.destroyWindow(busyNotice);
            busyNotice = nullptr;
        }
    }
    return windows_.destroyWindow(window);
}

void SwitchDialog::fitFourthRowButtons() {
    const int width = pixelsAt(kArrowButtonWidth, dpi_);
    const int height = pixelsAt(kArrowButtonHeight, dpi_);
    windows_.resizeControl(window, IDC_CLAIM_ROW4, width, height);
    windows_.resizeControl(window, IDC_RELEASE_ROW4, width, height);
}

void SwitchDialog::onDpiChanged(int dpi, const ScreenRect& suggested) {
    windows_.moveWindow(window, suggested.left, suggested.top, suggested.right - suggested.left,
                        suggested.bottom - suggested.top);
    // The dialog manager lays the controls out at the new scale after this
    // returns, the fourth row's buttons at their template size among them.
    windows_.postMessage(window, win::kWmSwitchRescale, static_cast<std::uintptr_t>(dpi), 0);
}

void SwitchDialog::rescale(int dpi) {
    dpi_ = dpi;
    fitFourthRowButtons();
    const int percent = artPercentFor(dpi);
    panelPictures_.show(window, percent);
    if (percent == buttonImages_.percent()) return;
    ButtonImages images(windows_);
    images.load(percent);
    std::swap(buttonImages_, images);
    panelView_.redrawImages(window);
    // `images` holds the old scale's now: they go here, once no button shows them.
}

void SwitchDialog::handleSize(std::uintptr_t, int width, int height) {
    if (width == 0 && height == 0) {
        // Minimising lands here too: the window goes to the tray.
        windows_.showWindow(window, win::kSwHide);
    } else if (width != 0 && height != 0) {
        // Every restore looks for the controller and the hub afresh.
        windows_.postMessage(window, win::kWmDeviceChange, win::kDbtDevNodesChanged, 0);
    }
}

void SwitchDialog::hideToTray() { windows_.showWindow(window, win::kSwHide); }

bool SwitchDialog::filterMainWindowInput(const QueuedMessage& message) {
    switch (message.message) {
        case win::kWmKeyDown:
        case win::kWmKeyUp:
        case win::kWmChar:
            // Enter and Esc never end the dialog; Space and Enter press no button.
            return isSwallowedKey(message.wParam);
        case win::kWmLButtonDown:
            if (message.window == window) {
                // A click on the window's surface drags it as if by its caption.
                const auto position = static_cast<std::intptr_t>(
                    static_cast<std::uint16_t>(message.cursorX) |
                    (static_cast<std::uint32_t>(static_cast<std::uint16_t>(message.cursorY)) << 16));
                windows_.postMessage(window, win::kWmNcLButtonDown, win::kHtCaption, position);
            }
            return false;
        default:
            return false;
    }
}

bool SwitchDialog::onSystemCommand(std::uintptr_t command) {
    if ((command & ~static_cast<std::uintptr_t>(0xF)) != win::kSysCommandAbout) return false;
    showAboutBox();
    return true;
}

}  // namespace pivora
