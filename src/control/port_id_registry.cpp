#include <cstdio>

#include "control/switch_control.h"
#include "controller/port_masks.h"
#include "controller/reply_wait.h"
#include "platform/byte_order.h"

namespace pivora {

namespace {
constexpr int kVerifyAttempts = 2;
constexpr int kVerifyReplyLimit = 20;
constexpr int kLoadReplyLimit = 50;
constexpr std::uint8_t kPortBits = 0x0F;
constexpr std::uint8_t kPort3 = 0x08;
constexpr std::uint8_t kSlot4 = 0x10;

std::uint8_t slotBitOf(std::size_t slot) { return static_cast<std::uint8_t>(1u << slot); }
}  // namespace

int SwitchControl::sendAndAwait(const Request& request, std::uint8_t awaitedCode, int limit,
                               std::array<std::uint8_t, kControllerReportLength>& reply) {
    sendRequest(channel, request);
    return awaitReply(channel, clock_, awaitedCode, limit, replyWaitCount, reply, &deferredReports);
}

int SwitchControl::storeAndVerifyPortId(std::uint8_t slotBit, std::uint16_t vendorId, std::uint16_t productId) {
    std::array<std::uint8_t, kControllerReportLength> reply{};
    for (int attempt = 0; attempt < kVerifyAttempts; ++attempt) {
        sendRequest(channel, storePortId(slotBit, vendorId, productId));
        if (sendAndAwait(readPortId(slotBit), code::PortIdReply, kVerifyReplyLimit, reply) &&
            readLe16(&reply[3]) == vendorId && readLe16(&reply[5]) == productId)
            return 1;
    }
    return 0;
}

void SwitchControl::loadAllPortIds() {
    std::array<std::uint8_t, kControllerReportLength> reply{};
    if (!sendAndAwait(statusQuery(), code::StatusReply, kLoadReplyLimit, reply)) {
        startOver();
        return;
    }
    // Slot 4 has no port of its own: it is this computer's whenever port 3 is.
    auto loadMask = static_cast<std::uint8_t>(ownedMaskFrom(reply[2], hostIndex) & kPortBits);
    if ((loadMask & kPort3) != 0) loadMask = static_cast<std::uint8_t>(loadMask | kSlot4);

    for (std::size_t slot = 0; slot < portIds.size(); ++slot) {
        const std::uint8_t slotBit = slotBitOf(slot);
        if ((loadMask & slotBit) != 0) {
            // This computer's slots start empty after each start or resume;
            // the panel refresh stores what is on those ports now.
            if (idsLoaded == 0) {
                sendRequest(channel, storePortId(slotBit, 0, 0));
                portIds.at(slot) = PortIdSlot{};
            }
            continue;
        }
        if (!sendAndAwait(readPortId(slotBit), code::PortIdReply, kLoadReplyLimit, reply)) {
            startOver();
            return;
        }
        portIds.at(slot) = PortIdSlot{readLe16(&reply[3]), readLe16(&reply[5]), 0};
    }
    idsLoaded = 1;
}

void SwitchControl::startOver() {
    controllerOpen = 0;
    hubReady = 0;
    pendingAction = 0;
    keepAliveCountdown = 0;
    idsLoaded = 0;
    portIds.fill(PortIdSlot{});
}

void SwitchControl::clearPortIdSlots(std::uint8_t slotMask) {
    char line[24];
    (void)std::snprintf(line, sizeof line, "PortIdCleared=%.2X\r\n", static_cast<unsigned>(slotMask));
    host_.trace().line(TraceChannel::Text, line);
    for (std::size_t slot = 0; slot < portIds.size(); ++slot)
        if ((slotMask & slotBitOf(slot)) != 0) portIds.at(slot) = PortIdSlot{};
    // The rediscovery that follows reloads the other computer's slots, and
    // the next panel refresh stores this computer's again.
    postToSelf_(Command{Command::DeviceChanged});
}

void SwitchControl::dumpPortIds() {
    const std::uint8_t empty = 0;
    host_.trace().report(TraceChannel::ReportsDelivered, &empty, 0);
    for (std::size_t slot = 0; slot < portIds.size(); ++slot) {
        const PortIdSlot& entry = portIds.at(slot);
        char line[48];
        (void)std::snprintf(line, sizeof line, "%d %.4X %.4X %.4X\r\n", static_cast<int>(slot), entry.vendorId,
                            entry.productId, entry.valid);
        host_.trace().line(TraceChannel::Text, line);
    }
}

}  // namespace pivora
