#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "control/control_command.h"
#include "control/hub_kind.h"
#include "control/panel_state.h"
#include "control/host_system.h"
#include "controller/deferred_reports.h"
#include "controller/report_channel.h"
#include "platform/platform.h"
#include "usb/switch_usb.h"

namespace pivora {

// One slot of the controller's port ID registry, as this computer knows it.
struct PortIdSlot {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t valid = 0;
};

// The switch's control: the controller channel, the USB side, the printer
// guard and every field of the control. It takes commands one at a time on
// its own loop and publishes what the panel shows; it knows nothing of any
// window. Whatever it waits for, it waits on its own thread.
class SwitchControl {
    // The computer this control was made for, when it made it itself, and
    // the computer it runs on. First: everything below uses them.
    std::unique_ptr<HostSystem> ownedHost_;
    HostSystem& host_;
    // The platform's clock, but the panel is published before each wait:
    // whatever the control has changed shows while it waits for the switch.
    class PublishingClock : public Clock {
    public:
        PublishingClock(Clock& clock, SwitchControl& control) : clock_(clock), control_(control) {}
        void sleep(std::uint32_t ms) override {
            if (publishing_) control_.publishPanel();
            clock_.sleep(ms);
        }
        std::uint32_t tickCount() override { return clock_.tickCount(); }
        // The channel's last waits, as it closes in the destructor, publish nothing.
        void stopPublishing() { publishing_ = false; }

    private:
        Clock& clock_;
        SwitchControl& control_;
        bool publishing_ = true;
    };
    // First: the channel waits on it.
    PublishingClock clock_;

public:
    static constexpr int kTickTimer = 0;     // control tick, every second
    static constexpr int kPrinterTimer = 1;  // control tick and printer poll, every 5 s

    // The control of the computer `host`. `publish` receives each new panel
    // state, on the control's thread; `postToSelf` queues a command behind
    // those already waiting.
    SwitchControl(HostSystem& host, std::function<void(const PanelState&)> publish,
                  std::function<void(const Command&)> postToSelf);
    // The same over the Windows-shaped seams of `platform`.
    SwitchControl(Platform& platform, std::function<void(const PanelState&)> publish,
                  std::function<void(const Command&)> postToSelf);
    ~SwitchControl() { clock_.stopPublishing(); }
    SwitchControl(const SwitchControl&) = delete;
    SwitchControl& operator=(const SwitchControl&) = delete;

    // Runs one command to its end, then publishes the panel if it changed.
    void handle(const Command& command);

    // Port control: the tick run by both timers, and what a device change does.
    void controlTick(int timerId);
    void onDeviceChange();
    // Hands the requested ports over; false when the tick must end at once.
    bool runReleaseFlow(std::uint8_t requestedPorts);

    // Moving ports from this side: an arrow of a port's row, the double tap.
    void onPortArrow(bool claims, int port);
    void requestClaim(std::uint8_t portMask);
    void requestRelease(std::uint8_t portMask);
    void toggleAllPorts();

    // Power and session events.
    void onSuspend();
    void onResume();
    void onQueryEndSession();
    void onEndSession(bool ending);
    // The program ends: a connected controller hears SignOff.
    void shutDown();

    // Port panel.
    void refreshPortPanel(std::uint8_t ownedPorts);
    void showPortOwners(std::uint8_t otherPorts);
    void markPortPending(int port, bool claims);
    const PanelState& panel() const { return panel_; }

    // Port ID registry, kept in step with the controller's.
    int storeAndVerifyPortId(std::uint8_t slotBit, std::uint16_t vendorId, std::uint16_t productId);
    void loadAllPortIds();
    void clearPortIdSlots(std::uint8_t slotMask);
    void dumpPortIds();

    // The ports of `portMask` that may be handed over: those whose device is
    // a local printer with a queued job are taken out.
    std::uint8_t vetoPrinterPorts(std::uint8_t portMask);

    SwitchUsb& usb;
    LocalPrinters& printers;

private:
    std::unique_ptr<ReportChannel> channel_;

public:
    ReportChannel& channel;
    std::array<char, SwitchUsb::kHubRefSize> hubName{};
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
    int replyWaitCount = 0;
    int idsLoaded = 0;
    std::array<PortIdSlot, 5> portIds{};
    // A resume was handled since the last suspend: the second resume message
    // of one wake changes nothing.
    int wokenSinceSuspend = 0;

private:
    // `host`, or when it is null the computer `ownedHost` made for it.
    SwitchControl(std::unique_ptr<HostSystem> ownedHost, HostSystem* host,
                  std::function<void(const PanelState&)> publish, std::function<void(const Command&)> postToSelf);

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
    // Of the owned ports the other computer `asked` for: those kept for a
    // busy printer (not `allowed`) and those whose device refused removal
    // (allowed, not `done`), for the window to tell.
    void noteRefusal(std::uint8_t asked, std::uint8_t allowed, std::uint8_t done);
    void drainReports();
    // SignOff, then the channel is cancelled and closed: this computer goes away.
    void signOffAndClose();

    void refreshPortRow(int port, std::uint8_t ownedPorts);
    // After a resume, or a registry load whose reply never came: the
    // controller is looked for afresh and the registry loaded from empty.
    void startOver();
    int sendAndAwait(const Request& request, std::uint8_t awaitedCode, int limit,
                     std::array<std::uint8_t, kControllerReportLength>& reply);
    // Hands the panel to the window when it differs from what was handed last.
    void publishPanel();

    std::function<void(const PanelState&)> publish_;
    std::function<void(const Command&)> postToSelf_;
    PanelState panel_;
    PanelState published_;
};

}  // namespace pivora
