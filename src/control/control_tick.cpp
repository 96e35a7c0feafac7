#include <array>
#include <cstdio>

#include "control/switch_control.h"
#include "controller/port_masks.h"

namespace pivora {

namespace {
constexpr std::uint16_t kHubVendorId = 0x0424;
constexpr std::uint16_t kHubProductId = 0x2524;
constexpr std::size_t kWorkSize = 256;
}  // namespace

void SwitchControl::controlTick(int timerId) {
    // A read that failed (the controller went away) would leave the channel
    // deaf for good: treat it as a lost connection and connect again.
    if (controllerOpen == 1 && channel.readSideFailed()) onDeviceChange();

    // Each step tests the fields as the steps before it left them, so one
    // tick can go from searching to ready.
    if (controllerOpen == 0) connectStep();
    if (controllerOpen == 1 && hubReady == 0) hubStep();
    if (controllerOpen == 0 && hubReady == 0) clearingStep();
    if (controllerOpen == 1 && hubReady == 1 && !reportStep()) return;
    if (timerId == kPrinterTimer && controllerOpen == 1 && hubReady == 1) printerPoll();
    if (pendingAction == 0) followUpStep();
}

void SwitchControl::connectStep() {
    if (channel.connectController() == 1) controllerOpen = 1;
}

void SwitchControl::hubStep() {
    if (usb.locateHub(kHubVendorId, kHubProductId, hubName.data()) != 1) return;
    std::uint32_t portCount = 0;
    const bool portCountRead = usb.getHubPortCount(hubName.data(), &portCount) == 1;
    // Without a model there are no rows to show and no ports to release or
    // toggle: try again on the next tick rather than go on blind.
    if (!portCountRead && hubKind == UnknownHub) return;
    if (portCountRead) {
        // The controller sits on one of the hub's first two ports only in
        // the two-port model, whose user ports are 2 and 3.
        hubKind = FourPort;
        for (int port : {0, 1}) {
            std::uint16_t vendorId = 0;
            std::uint16_t productId = 0;
            std::uint32_t isHub = 0;
            if (usb.queryHubPort(hubName.data(), port, &vendorId, &productId, &isHub) == 1 &&
                vendorId == ReportChannel::kControllerVendorId && productId == ReportChannel::kControllerProductId)
                hubKind = TwoPort;
        }
        panel_.switchType = hubKind == TwoPort ? "2-2" : "2-4";
    }
    sendRequest(channel, infoQuery());
    hubReady = 1;
}

void SwitchControl::clearingStep() {
    portIds.fill(PortIdSlot{});
    // Requests of a controller that is gone mean nothing to the next one.
    deferredReports.clear();
    // The panel shows no switch: no rows, no status.
    const std::uint32_t busyNotices = panel_.busyNotices;
    const Refusal refusal = panel_.refusal;
    panel_ = PanelState{};
    panel_.busyNotices = busyNotices;
    panel_.refusal = refusal;
}

bool SwitchControl::reportStep() {
    std::array<std::uint8_t, kWorkSize> work{};
    // What a reply wait set aside came before anything the channel holds now.
    int length = deferredReports.take(work.data());
    if (length == 0) length = channel.poll(work.data());
    if (length < 2) return true;
    switch (work[1]) {
        case code::InfoReply:
            onInfoReply(work.data());
            break;
        case code::ReleaseRequest:
            return runReleaseFlow(work[2]);
        case code::StatusReply:
            onStatusReply(work[2]);
            break;
        case code::PortIdCleared:
            clearPortIdSlots(work[2]);
            break;
        default:
            break;  // consumed and ignored
    }
    return true;
}

void SwitchControl::onInfoReply(const std::uint8_t* report) {
    char text[kWorkSize];
    // A leading 0 prints nothing before its point: version 0.5.3 reads ".5.3".
    (void)std::snprintf(text, sizeof text, "%.d.%d.%d", report[2], report[3], report[4]);
    panel_.firmwareVersion = text;
    // Every reader of the masks takes any non-zero host byte for host B; the
    // letter shown says the same.
    hostIndex = report[5] != 0 ? 1 : 0;
    const char host[2] = {static_cast<char>('A' + hostIndex), '\0'};
    panel_.host = host;
    char line[kWorkSize + 32];
    (void)std::snprintf(line, sizeof line, "Firmware=%s Host=%s\r\n", text, host);
    host_.trace().line(TraceChannel::Text, line);
    pendingAction = 0;
    loadAllPortIds();
    sendRequest(channel, statusQuery());
}

void SwitchControl::onStatusReply(std::uint8_t rawMask) {
    ownedMask = ownedMaskFrom(rawMask, hostIndex);
    switch (pendingAction) {
        case 0: {
            const std::uint8_t otherPorts = otherMaskFrom(rawMask, hostIndex);
            refreshPortPanel(static_cast<std::uint8_t>(~otherPorts));
            showPortOwners(otherPorts);
            break;
        }
        case 10:
            completeToggle(rawMask);
            break;
        case 11:
            completeClaim(rawMask);
            break;
        default:
            break;
    }
}

void SwitchControl::followUpStep() {
    // The reply to a request comes some ticks later; one StatusQuery then
    // brings the panel up to date. Not while a report waits to be taken.
    const bool reportWaiting = channel.pendingLength() != 0 || deferredReports.size() != 0;
    if (keepAliveCountdown == 1 && controllerOpen == 1 && hubReady == 1 && !reportWaiting)
        sendRequest(channel, statusQuery());
    if (keepAliveCountdown != 0) --keepAliveCountdown;
}

}  // namespace pivora
