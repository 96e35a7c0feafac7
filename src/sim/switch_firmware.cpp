#include "sim/switch_firmware.h"

#include <algorithm>

#include "controller/report_catalogue.h"
#include "platform/byte_order.h"

namespace pivora::sim {

namespace {
constexpr std::uint8_t kAllPorts = 0x0F;
constexpr std::uint32_t kPeerReleasePauseMs = 1600;  // removal plus the peer's own pause
}  // namespace

std::uint8_t SwitchFirmware::portsOf(Host host) const {
    return static_cast<std::uint8_t>((host == Host::B ? rawMask_ : ~rawMask_) & kAllPorts);
}

void SwitchFirmware::setPortId(int slot, PortId id) {
    if (slot >= 0 && slot < kSlots) slots_.at(static_cast<std::size_t>(slot)) = id;
}

SwitchFirmware::PortId SwitchFirmware::portId(int slot) const {
    return slot >= 0 && slot < kSlots ? slots_.at(static_cast<std::size_t>(slot)) : PortId{0, 0};
}

void SwitchFirmware::playPeer(Host host, std::uint32_t answerDelayMs) {
    peerPlayed_.at(static_cast<std::size_t>(host)) = true;
    peerDelayMs_.at(static_cast<std::size_t>(host)) = answerDelayMs;
}

void SwitchFirmware::withholdReplies(std::uint8_t requestCode, int count) { withheld_[requestCode] = count; }

bool SwitchFirmware::replyWithheld(std::uint8_t requestCode) {
    auto entry = withheld_.find(requestCode);
    if (entry == withheld_.end() || entry->second == 0) return false;
    if (entry->second > 0) --entry->second;
    return true;
}

void SwitchFirmware::sendRaw(Host to, const WireReport& report, std::uint32_t delayMs) {
    clock_.schedule(delayMs, [this, to, report] {
        if (outlet_) outlet_(to, report);
    });
}

void SwitchFirmware::reply(Host to, const WireReport& report) { sendRaw(to, report, replyDelayMs_); }

void SwitchFirmware::sendPortIdCleared(Host to, std::uint8_t slotMask) {
    sendRaw(to, WireReport{2, code::PortIdCleared, slotMask, 0, 0, 0, 0, 0});
}

void SwitchFirmware::requestRelease(Host from, std::uint8_t mask) {
    const Host owner = otherHost(from);
    const auto asked = static_cast<std::uint8_t>(mask & portsOf(owner));
    if (asked == 0) return;
    if (!peerPlayed_.at(static_cast<std::size_t>(owner))) {
        reply(owner, WireReport{2, code::ReleaseRequest, asked, 0, 0, 0, 0, 0});
        return;
    }
    const std::uint32_t delay = peerDelayMs_.at(static_cast<std::size_t>(owner));
    clock_.schedule(delay, [this, owner, asked] {
        const std::uint8_t grant[3] = {2, code::ReleaseGrant, asked};
        receive(owner, grant, sizeof(grant));
    });
    clock_.schedule(delay + kPeerReleasePauseMs, [this, owner, asked] {
        const std::uint8_t done[3] = {2, code::ReleaseDone, asked};
        receive(owner, done, sizeof(done));
    });
}

void SwitchFirmware::releaseDone(Host from, std::uint8_t mask) {
    const auto moving = static_cast<std::uint8_t>(mask & portsOf(from));
    // Moving a port to B sets its bit; moving it to A clears it.
    rawMask_ = from == Host::A ? static_cast<std::uint8_t>(rawMask_ | moving)
                               : static_cast<std::uint8_t>(rawMask_ & ~moving);
    if (moving != 0 && portsMoved_) portsMoved_(from, otherHost(from), moving);
}

void SwitchFirmware::receive(Host from, const std::uint8_t* bytes, std::size_t length) {
    WireReport report{};
    std::copy(bytes, bytes + std::min(length, report.size()), report.begin());
    received_.push_back({clock_.now(), from, report});
    if (written_) written_(from, report);
    const auto hostSlot = static_cast<std::size_t>(from);
    const std::uint8_t request = report[1];
    if (request != code::SignOff) signedOff_.at(hostSlot) = false;

    switch (request) {
        case code::InfoQuery:
            if (!replyWithheld(request))
                reply(from, WireReport{2, code::InfoReply, version_[0], version_[1], version_[2],
                                       static_cast<std::uint8_t>(from), 0, 0});
            break;
        case code::StatusQuery:
            if (!replyWithheld(request)) reply(from, WireReport{2, code::StatusReply, rawMask_, 0, 0, 0, 0, 0});
            break;
        case code::ReadPortId:
            for (int slot = 0; slot < kSlots; ++slot) {
                if (report[2] != (1u << slot)) continue;
                if (replyWithheld(request)) break;
                const PortId id = slots_.at(static_cast<std::size_t>(slot));
                reply(from, WireReport{2, code::PortIdReply, report[2], static_cast<std::uint8_t>(id.vendorId),
                                       static_cast<std::uint8_t>(id.vendorId >> 8), static_cast<std::uint8_t>(id.productId),
                                       static_cast<std::uint8_t>(id.productId >> 8), 0});
            }
            break;
        case code::StorePortId:
            if (storesRefused_) break;
            for (int slot = 0; slot < kSlots; ++slot) {
                if (report[2] != (1u << slot)) continue;
                slots_.at(static_cast<std::size_t>(slot)) = {readLe16(&report[3]), readLe16(&report[5])};
            }
            break;
        case code::ClaimPorts:
            requestRelease(from, report[2]);
            break;
        case code::ReleaseGrant:
            lastGrant_.at(hostSlot) = report[2];
            break;
        case code::ReleaseDone:
            releaseDone(from, report[2]);
            break;
        case code::SignOff:
            signedOff_.at(hostSlot) = true;
            break;
        default:
            break;  // the controller ignores codes it does not know
    }
}

}  // namespace pivora::sim
