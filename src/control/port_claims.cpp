#include <array>

#include "app/switch_dialog.h"
#include "controller/port_masks.h"
#include "ui/resource_ids.h"

namespace pivora {

namespace {
constexpr std::uint32_t kRequestPauseMs = 500;
constexpr int kToggleAllPending = 10;
constexpr int kClaimPending = 11;
constexpr std::uint8_t kTwoPortPorts = 0x0C;
constexpr std::uint8_t kFourPortPorts = 0x0F;

// Each arrow button and the port bit it stands for on either switch model.
// On a TwoPort switch the buttons of the hidden rows 3 and 4 stand for the
// ports of rows 1 and 2: the printer poll clicks them by slot.
struct ArrowButton {
    int id;
    bool claims;
    std::uint8_t twoPortBit;
    std::uint8_t fourPortBit;
};
constexpr std::array<ArrowButton, 8> kArrowButtons = {{
    {IDC_CLAIM_ROW1, true, 0x08, 0x08},
    {IDC_CLAIM_ROW2, true, 0x04, 0x04},
    {IDC_CLAIM_ROW3, true, 0x08, 0x02},
    {IDC_CLAIM_ROW4, true, 0x04, 0x01},
    {IDC_RELEASE_ROW1, false, 0x08, 0x08},
    {IDC_RELEASE_ROW2, false, 0x04, 0x04},
    {IDC_RELEASE_ROW3, false, 0x08, 0x02},
    {IDC_RELEASE_ROW4, false, 0x04, 0x01},
}};

int portOf(std::uint8_t bit) {
    int port = 0;
    while (port < 7 && (bit & (1u << port)) == 0) ++port;
    return port;
}
}  // namespace

void SwitchDialog::onArrowClicked(int buttonId) {
    for (const ArrowButton& arrow : kArrowButtons) {
        if (arrow.id != buttonId) continue;
        const std::uint8_t bit = hubKind == TwoPort ? arrow.twoPortBit : arrow.fourPortBit;
        const bool here = (ownedMask & bit) != 0;
        // The lit button of a row already stands on the port's side.
        if (arrow.claims == here) return;
        // Shown before the request is tested, so the click is seen even when
        // it is refused; the next status puts the image right.
        markPortPending(portOf(bit), buttonId);
        if (arrow.claims) {
            requestClaim(bit);
        } else {
            requestRelease(bit);
        }
        return;
    }
}

void SwitchDialog::requestClaim(std::uint8_t portMask) {
    if (controllerOpen == 0 || pendingAction != 0) return;
    platform_.clock.sleep(kRequestPauseMs);
    pendingAction = kClaimPending;
    claimMask = portMask;
    sendRequest(channel, statusQuery());
    keepAliveCountdown = 7;
}

void SwitchDialog::toggleAllPorts() {
    if (controllerOpen == 0 || pendingAction != 0) return;
    platform_.clock.sleep(kRequestPauseMs);
    pendingAction = kToggleAllPending;
    sendRequest(channel, statusQuery());
    keepAliveCountdown = 7;
}

void SwitchDialog::requestRelease(std::uint8_t portMask) {
    if (controllerOpen == 0 || pendingAction != 0) return;
    platform_.clock.sleep(kRequestPauseMs);
    // Handled by the next tick exactly like a request from the controller.
    injectRequest(channel, releaseRequest(portMask));
    keepAliveCountdown = 7;
}

void SwitchDialog::askAgainForPendingAction() {
    // The flow's wait and drain take every StatusReply that comes meanwhile,
    // also the one a claim or toggle waits for; without it the request would
    // block every other until the next rediscovery.
    if (pendingAction != 0) sendRequest(channel, statusQuery());
}

void SwitchDialog::completeToggle(std::uint8_t rawMask) {
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

void SwitchDialog::completeClaim(std::uint8_t rawMask) {
    pendingAction = 0;
    // A port that reached this computer meanwhile needs no claim.
    if ((claimMask & otherMaskFrom(rawMask, hostIndex)) != 0) sendRequest(channel, claimPorts(claimMask));
}

}  // namespace pivora
