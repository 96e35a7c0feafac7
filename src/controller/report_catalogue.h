#pragma once

#include <array>
#include <cstdint>

namespace pivora {

class ReportChannel;

// Every report the controller and Pivora exchange: eight bytes, byte 0 the HID
// report number (always 2 in what Pivora writes), byte 1 the code, the rest
// data; sixteen-bit values low byte first.
namespace code {
enum ReportCode : std::uint8_t {
    InfoQuery = 0x51,       // -> firmware version and host index, please
    InfoReply = 0x52,       // <- bytes 2..4 version, byte 5 host index
    SignOff = 0x53,         // -> this host goes away
    ClaimPorts = 0x55,      // -> byte 2: ports this host claims
    ReleaseRequest = 0x57,  // <- byte 2: ports this host is asked to give up
    ReleaseGrant = 0x59,    // -> byte 2: ports this host gives up
    ReleaseDone = 0x5A,     // -> byte 2: ports actually released
    StatusQuery = 0x5B,     // -> port ownership, please
    StatusReply = 0x5C,     // <- byte 2: raw mask, bit n set = port n on host B
    StorePortId = 0x5D,     // -> byte 2 slot bit, bytes 3..6 vendor and product ID
    PortIdCleared = 0x5F,   // <- byte 2: registry slots to forget
    ReadPortId = 0x60,      // -> byte 2: slot bit
    PortIdReply = 0x61,     // <- bytes 3..6: vendor and product ID of the slot
};
}  // namespace code

constexpr std::uint8_t kReportNumber = 2;
constexpr std::uint32_t kControllerReportLength = 8;

// A request as built: 2, 3 or 7 bytes. The channel writes all eight; the bytes
// past `length` are whatever earlier reports left in its send buffer.
struct Request {
    std::array<std::uint8_t, 7> bytes;
    std::uint32_t length;
};

Request infoQuery();
Request signOff();
Request statusQuery();
Request claimPorts(std::uint8_t portMask);
Request releaseGrant(std::uint8_t portMask);
Request releaseDone(std::uint8_t portMask);
Request readPortId(std::uint8_t slotBit);
Request storePortId(std::uint8_t slotBit, std::uint16_t vendorId, std::uint16_t productId);
// Not for the controller: a release wanted by this computer's user, placed in
// the channel's own receive path.
Request releaseRequest(std::uint8_t portMask);

// How long the channel waits after a completed write: briefly after the three
// queries that expect a reply, long enough for the controller to act otherwise.
std::uint32_t pacingAfterMs(std::uint8_t reportCode);

// The code's name for trace lines, or "?" for a code outside the catalogue.
const char* reportCodeName(std::uint8_t reportCode);

int sendRequest(ReportChannel& channel, const Request& request);
void injectRequest(ReportChannel& channel, const Request& request);

}  // namespace pivora
