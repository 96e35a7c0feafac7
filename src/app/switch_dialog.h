#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "control/control_port.h"
#include "log/diagnostic_log.h"
#include "platform/user_registry_api.h"
#include "platform/window_api.h"
#include "settings/start_with_windows.h"
#include "settings/user_settings.h"
#include "ui/art_scale.h"
#include "ui/button_images.h"
#include "ui/panel_pictures.h"
#include "ui/panel_view.h"
#include "ui/port_notices.h"
#include "ui/tray_menu_items.h"

namespace pivora {

// A rectangle in screen pixels.
struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

// A message as the window's queue hands it out, before dispatch.
struct QueuedMessage {
    OsHandle window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    int cursorX;  // screen coordinates at the time the message was posted
    int cursorY;
};

// The main window's object: the window's own life (the single instance, the
// tray icon, the menus, the About box) and a view of the switch's control.
// It renders what the control publishes and hands the control what the user
// and the system ask, and never waits on it but for a bounded time when the
// system is about to sleep or the session to end. Everything it does to the
// window goes through the window seam; the Win32 dialog procedure forwards
// to it.
class SwitchDialog {
public:
    // How long suspend and the end of the session wait for SignOff.
    static constexpr std::uint32_t kSignOffWaitMs = 3000;
    // How long an answer waits for the command line's window to take it.
    static constexpr std::uint32_t kAnswerWaitMs = 1000;

    // The user's settings and the Run entry live in `registry`; `exePath` is
    // the running exe's full path.
    SwitchDialog(ControlPort& control, WindowApi& windows, UserRegistryApi& registry, std::u16string exePath);
    // The diagnostic log the menu switches, on from the start when `startOn`
    // or when the user left it on; without one the menu offers none.
    void useLog(DiagnosticLog& log, bool startOn);
    SwitchDialog(const SwitchDialog&) = delete;
    SwitchDialog& operator=(const SwitchDialog&) = delete;

    // Lifecycle of the main window. `dpi` is the window's resolution as it
    // is created (96 at 100 %): its arrow buttons and pictures are fitted to
    // it.
    int initMainWindow(OsHandle window, int dpi = kDefaultDpi);
    void startLiveInstance();
    // Stops the control (it signs off), then tears the window down.
    int tearDownMainWindow();
    void handleSize(std::uintptr_t type, int width, int height);
    void hideToTray();
    bool filterMainWindowInput(const QueuedMessage& message);
    // WM_SYSCOMMAND: true when handled here, false for the default handling.
    bool onSystemCommand(std::uintptr_t command);

    // Tray icon, menus and the About box.
    void onTrayNotify(std::intptr_t mouseMessage);
    void showAboutBox();
    // The shell's notification area was re-created (its "TaskbarCreated"
    // message): without the icon a hidden window could not be reached.
    void onTaskbarCreated();

    // The messages every copy of the window procedure routes here, whatever
    // the window layer: sizes, the control's new panel, device changes, power
    // and session events, the double tap, the tray's callback and the
    // panel's commands. The Win32 dialog procedure and the native tests'
    // message queue both call it, so both route alike.
    void onWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onCommand(int controlId, int notification);
    // WM_COPYDATA, from any program of the session: a command line's request
    // (remote/remote_wire.h) is answered and true returned; anything else is
    // left unanswered.
    bool onRemoteRequest(std::uintptr_t tag, const void* data, std::size_t size);
    // WM_DPICHANGED: the window moved to a monitor of another scale, or its
    // monitor's scale changed. It takes the place and size Windows suggests,
    // then, once the dialog manager has laid it out there, the images drawn
    // nearest to `dpi`.
    void onDpiChanged(int dpi, const ScreenRect& suggested);
    // Draws the panel the control published last.
    void renderPanel();

    OsHandle window = nullptr;
    OsHandle appIcon = nullptr;
    OsHandle busyNotice = nullptr;
    TrayIconRecord trayIcon;
    OsHandle keyboardHook = nullptr;
    int liveInstance = 0;

private:
    void showMainWindow();
    void onPowerBroadcast(std::uintptr_t event);
    void appendMenuItems(OsHandle menu, const std::vector<TrayMenuItem>& items);
    void onTrayCommand(int command);
    void chooseDoubleTapKeys(int command);
    void switchLog();
    void showBalloon(const Balloon& balloon);
    // A text the window shows (ANSI) in UTF-8, as the command line prints it.
    std::string utf8FromWindowText(const std::string& text);
    // The fourth row's buttons, twice as tall in the template, fitted to the
    // arrow images at the window's resolution.
    void fitFourthRowButtons();
    // The arrow images and pictures drawn nearest to `dpi`, in place of those shown.
    void rescale(int dpi);

    ControlPort& control_;
    WindowApi& windows_;
    UserSettings settings_;
    DiagnosticLog* log_ = nullptr;
    bool logFromStart_ = false;
    StartWithWindows startWithWindows_;
    int dpi_ = kDefaultDpi;
    ButtonImages buttonImages_;
    PanelView panelView_;
    PanelPictures panelPictures_;
    PortNotices notices_;
    // The busy notices the control had called for when the panel was drawn.
    std::uint32_t busyNoticesShown_ = 0;
};

}  // namespace pivora
