#pragma once

#include <array>
#include <cstdint>

#include "controller/deferred_reports.h"
#include "controller/hid_report_channel.h"
#include "platform/platform.h"
#include "platform/window_api.h"
#include "printer/printer_guard.h"
#include "ui/button_images.h"
#include "usb/usb_topology.h"

namespace pivora {

// The switch model, decided once the hub is located: TwoPort switches have
// ports 2 and 3 only, FourPort switches ports 0 to 3.
enum HubKind : int { UnknownHub = 0, TwoPort = 2, FourPort = 5 };

// One slot of the controller's port ID registry, as this computer knows it.
struct PortIdSlot {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t valid = 0;
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

// The main window's object: it owns everything Pivora has for the life of
// the process. Everything it does to the window goes through the window seam,
// never through <windows.h>; the Win32 dialog procedure forwards to it.
class SwitchDialog {
public:
    static constexpr std::uintptr_t kTickTimer = 0;     // control tick, every second
    static constexpr std::uintptr_t kPrinterTimer = 1;  // control tick and printer poll, every 5 s

    SwitchDialog(Platform& platform, WindowApi& windows);
    SwitchDialog(const SwitchDialog&) = delete;
    SwitchDialog& operator=(const SwitchDialog&) = delete;

    // Lifecycle of the main window.
    int initMainWindow(OsHandle window);
    void startLiveInstance();
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
    // the window layer: sizes, timers, device changes, the tray's callback and
    // the panel's commands. The Win32 dialog procedure and the native tests'
    // message queue both call it, so both route alike.
    void onWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void onCommand(int controlId, int notification);

    // Port control: the tick run by both timers, and what a device change does.
    void controlTick(std::uintptr_t timerId);
    void onDeviceChange();
    // Hands the requested ports over; false when the tick must end at once.
    bool runReleaseFlow(std::uint8_t requestedPorts);

    // Moving ports from this side: the arrow buttons, the double tap.
    void onArrowClicked(int buttonId);
    void requestClaim(std::uint8_t portMask);
    void requestRelease(std::uint8_t portMask);
    void toggleAllPorts();

    // Power and session events.
    void onPowerBroadcast(std::uintptr_t event);
    void onQueryEndSession();
    void onEndSession(bool ending);

    // Port panel.
    void refreshPortPanel(std::uint8_t ownedPorts);
    void showPortOwners(std::uint8_t otherPorts);
    void markPortPending(int port, int buttonId);

    // Port ID registry, kept in step with the controller's.
    int storeAndVerifyPortId(std::uint8_t slotBit, std::uint16_t vendorId, std::uint16_t productId);
    void loadAllPortIds();
    void clearPortIdSlots(std::uint8_t slotMask);
    void dumpPortIds();

    // The ports of `portMask` that may be handed over: those whose device is
    // a local printer with a queued job are taken out.
    std::uint8_t vetoPrinterPorts(std::uint8_t portMask);

    UsbTopology usbTopology;
    HidReportChannel channel;
    PrinterGuard printerGuard;

    OsHandle window = nullptr;
    OsHandle appIcon = nullptr;
    OsHandle busyNotice = nullptr;
    TrayIconRecord trayIcon;
    OsHandle keyboardHook = nullptr;
    int liveInstance = 0;
    std::array<char, UsbTopology::kNameSize> hubName{};
    ButtonImages buttonImages;
    // ReleaseRequest and PortIdCleared reports a reply wait passed over.
    DeferredReports deferredReports;

    // Control fields.
    int controllerOpen = 0;
    int hubReady = 0;
    HubKind hubKind = UnknownHub;
    int hostIndex = 0;
    std::uint8_t ownedMask = 0;
    int pendingAction = 0;
    std::uint8_t claimMask = 0;
    int keepAliveCountdown = 0;
    int releaseBusy = 0;
    int printerPollBusy = 0;
    int replyWaitCount = 0;
    int idsLoaded = 0;
    std::array<PortIdSlot, 5> portIds{};
    // A resume was handled since the last suspend: the second resume message
    // of one wake changes nothing.
    int wokenSinceSuspend = 0;

private:
    void showMainWindow();

    // The steps of the control tick, in the order it runs them.
    void connectStep();
    void hubStep();
    void clearingStep();
    // False when the tick must end at once.
    bool reportStep();
    void printerPoll();
    void followUpStep();
    void onInfoReply(const std::uint8_t* report);
    void onStatusReply(std::uint8_t rawMask);
    void completeToggle(std::uint8_t rawMask);
    void completeClaim(std::uint8_t rawMask);
    // After a release flow, whose waits may have taken the StatusReply a
    // pending claim or toggle waits for: asks for another.
    void askAgainForPendingAction();

    bool releasePorts(std::uint8_t requestedPorts);
    void removePortDevices(int port, std::uint8_t& donePorts);
    void drainReports();
    // SignOff, then the channel is cancelled and closed: this computer goes away.
    void signOffAndClose();

    void refreshPortRow(int port, std::uint8_t ownedPorts);
    // After a resume, or a registry load whose reply never came: the
    // controller is looked for afresh and the registry loaded from empty.
    void startOver();
    int sendAndAwait(const Request& request, std::uint8_t awaitedCode, int limit,
                     std::array<std::uint8_t, kControllerReportLength>& reply);

    Platform& platform_;
    WindowApi& windows_;
};

}  // namespace pivora
