#include "control/switch_control.h"
#include "controller/port_masks.h"

namespace pivora {

namespace {
constexpr std::uint32_t kRequestPauseMs = 500;
constexpr int kToggleAllPending = 10;
constexpr int kClaimPending = 11;
constexpr std::uint8_t kTwoPortPorts = 0x0C;
constexpr std::uint8_t kFourPortPorts = 0x0F;
}  // namespace

void SwitchControl::onPortArrow(bool claims, int port) {
    // Only the ports of the switch model have arrows.
    const std::uint8_t ports = hubKind == TwoPort ? kTwoPortPorts : kFourPortPorts;
    if (port < 0 || port > 3 || (ports & (1u << port)) == 0) return;
    const auto bit = static_cast<std::uint8_t>(1u << port);
    const bool here = (ownedMask & bit) != 0;
    // The lit button of a row already stands on the port's side.
    if (claims == here) return;
    // Shown before the request is tested, so the click is seen even when
    // it is refused; the next status puts the image right.
    markPortPending(port, claims);
    if (claims) {
        requestClaim(bit);
    } else {
        requestRelease(bit);
    }
}

void SwitchControl::requestClaim(std::uint8_t portMask) {
    if (controllerOpen == 0 || pendingAction != 0) return;
    clock_.sleep(kRequestPauseMs);
    pendingAction = kClaimPending;
    claimMask = portMask;
    sendRequest(channel, statusQuery());
    keepAliveCountdown = 7;
}

void SwitchControl::toggleAllPorts() {
    if (controllerOpen == 0 || pendingAction != 0) return;
    clock_.sleep(kRequestPauseMs);
    pendingAction = kToggleAllPending;
    sendRequest(channel, statusQuery());
    keepAliveCountdown = 7;
}

void SwitchControl::requestRelease(std::uint8_t portMask) {
    if (controllerOpen == 0 || pendingAction != 0) return;
    clock_.sleep(kRequestPauseMs);
    // Handled by the next tick exactly like a request from the controller.
    injectRequest(channel, releaseRequest(portMask));
    keepAliveCountdown = 7;
}

void SwitchControl::askAgainForPendingAction() {
    // The flow's wait and drain take every StatusReply that comes meanwhile,
    // also the one a claim or toggle waits for; without it the request would
    // block every other until the next rediscovery.
    if (pendingAction != 0) sendRequest(channel, statusQuery());
}

void SwitchControl::completeToggle(std::uint8_t rawMask) {
    pendingAction = 0;
    // Everything over there comes here; only when all is here does it all go.
    std::uint8_t ports = 0;
    if (hubKind == TwoPort) {
        ports = kTwoPortPorts;
    } else if (hubKind == FourPort) {
        ports = kFourPortPorts;
    } else {
        return;
    }
    const auto there = static_cast<std::uint8_t>(otherMaskFrom(rawMask, hostIndex) & ports);
    if (there != 0) {
        sendRequest(channel, claimPorts(there));
    } else {
        requestRelease(ports);
    }
}

void SwitchControl::completeClaim(std::uint8_t rawMask) {
    pendingAction = 0;
    // A port that reached this computer meanwhile needs no claim.
    if ((claimMask & otherMaskFrom(rawMask, hostIndex)) != 0) sendRequest(channel, claimPorts(claimMask));
}

}  // namespace pivora
