#include <array>
#include <cstdio>

#include "control/switch_control.h"
#include "controller/port_masks.h"

namespace pivora {

namespace {
constexpr int kStatusReplyLimit = 50;
constexpr std::uint8_t kTwoPortPorts = 0x0C;
constexpr std::uint8_t kFourPortPorts = 0x0F;
constexpr std::uint32_t kPauseBeforePort3Ms = 100;
constexpr std::uint32_t kPauseBeforeDoneMs = 1000;
constexpr std::uint32_t kDrainStepMs = 150;

std::uint8_t portBit(int port) { return static_cast<std::uint8_t>(1u << port); }
}  // namespace

bool SwitchControl::runReleaseFlow(std::uint8_t requestedPorts) {
    char line[24];
    (void)std::snprintf(line, sizeof line, "ReleaseRequest=%.2X\r\n", static_cast<unsigned>(requestedPorts));
    host_.trace().line(TraceChannel::Text, line);
    keepAliveCountdown = 7;
    const bool goesOn = releasePorts(requestedPorts);
    askAgainForPendingAction();
    return goesOn;
}

bool SwitchControl::releasePorts(std::uint8_t requestedPorts) {
    std::array<std::uint8_t, kControllerReportLength> reply{};
    // Without a StatusReply nothing is granted: the controller hears nothing.
    if (!sendAndAwait(statusQuery(), code::StatusReply, kStatusReplyLimit, reply)) return false;
    const std::uint8_t owned = ownedMaskFrom(reply[2], hostIndex);
    if ((owned & requestedPorts) == 0) return true;

    if (hubKind == TwoPort) {
        const auto allowed = static_cast<std::uint8_t>(vetoPrinterPorts(requestedPorts) & kTwoPortPorts);
        std::uint8_t done = allowed;
        sendRequest(channel, releaseGrant(allowed));
        for (int port : {2, 3})
            if ((allowed & portBit(port)) != 0) removePortDevices(port, done);
        clock_.sleep(kPauseBeforeDoneMs);
        sendRequest(channel, releaseDone(done));
        noteRefusal(static_cast<std::uint8_t>(requestedPorts & owned & kTwoPortPorts), allowed, done);
    } else if (hubKind == FourPort) {
        // Bits 4 to 7 of the request go through as they came.
        const std::uint8_t allowed = vetoPrinterPorts(requestedPorts);
        std::uint8_t done = allowed;
        sendRequest(channel, releaseGrant(allowed));
        for (int port : {0, 1, 2})
            if ((allowed & portBit(port)) != 0) removePortDevices(port, done);
        clock_.sleep(kPauseBeforePort3Ms);
        if ((allowed & portBit(3)) != 0) removePortDevices(3, done);
        clock_.sleep(kPauseBeforeDoneMs);
        sendRequest(channel, releaseDone(done));
        noteRefusal(static_cast<std::uint8_t>(requestedPorts & owned & kFourPortPorts), allowed, done);
    }
    drainReports();
    return true;
}

void SwitchControl::noteRefusal(std::uint8_t asked, std::uint8_t allowed, std::uint8_t done) {
    Refusal refusal = panel_.refusal;
    refusal.printing = static_cast<std::uint8_t>(asked & ~allowed);
    refusal.inUse = static_cast<std::uint8_t>(asked & allowed & ~done);
    if (refusal.printing == 0 && refusal.inUse == 0) return;
    ++refusal.count;
    panel_.refusal = refusal;
}

void SwitchControl::removePortDevices(int port, std::uint8_t& donePorts) {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint32_t isHub = 0;
    // Nothing there, or nothing this computer can tell apart: the port goes as it is.
    if (usb.queryHubPort(hubName.data(), port, &vendorId, &productId, &isHub) != 1) return;
    // The device on this port of the switch, by its place: a twin with the
    // same ID plugged straight into this computer is left alone.
    UsbDeviceRef device;
    if (usb.findDeviceOnHubPort(hubName.data(), port, vendorId, productId, &device) != 1) return;

    char line[48];
    (void)std::snprintf(line, sizeof line, "SafeRemove USB ID=%.4X %.4X\r\n", vendorId, productId);
    host_.trace().line(TraceChannel::Text, line);
    if (usb.safeRemove(device) != RemovalResult::Removed) {
        // A device still in use keeps its port, and the user is told why.
        donePorts = static_cast<std::uint8_t>(donePorts & ~portBit(port));
        ++panel_.busyNotices;
    }
}

void SwitchControl::drainReports() {
    // What came in meanwhile is stale, except the other computer's requests.
    std::array<std::uint8_t, ReportChannel::kMaxReportLength> report{};
    for (int length = channel.poll(report.data()); length > 0; length = channel.poll(report.data())) {
        deferredReports.keepIfDeferred(report.data(), length);
        clock_.sleep(kDrainStepMs);
    }
}

}  // namespace pivora
