#include "controller/report_catalogue.h"

#include "controller/report_channel.h"

namespace pivora {

namespace {

Request withoutData(std::uint8_t reportCode) { return {{kReportNumber, reportCode}, 2}; }

Request withMask(std::uint8_t reportCode, std::uint8_t mask) { return {{kReportNumber, reportCode, mask}, 3}; }

}  // namespace

Request infoQuery() { return withoutData(code::InfoQuery); }
Request signOff() { return withoutData(code::SignOff); }
Request statusQuery() { return withoutData(code::StatusQuery); }
Request claimPorts(std::uint8_t portMask) { return withMask(code::ClaimPorts, portMask); }
Request releaseGrant(std::uint8_t portMask) { return withMask(code::ReleaseGrant, portMask); }
Request releaseDone(std::uint8_t portMask) { return withMask(code::ReleaseDone, portMask); }
Request readPortId(std::uint8_t slotBit) { return withMask(code::ReadPortId, slotBit); }
Request releaseRequest(std::uint8_t portMask) { return withMask(code::ReleaseRequest, portMask); }

Request storePortId(std::uint8_t slotBit, std::uint16_t vendorId, std::uint16_t productId) {
    return {{kReportNumber, code::StorePortId, slotBit, static_cast<std::uint8_t>(vendorId & 0xFF),
             static_cast<std::uint8_t>(vendorId >> 8), static_cast<std::uint8_t>(productId & 0xFF),
             static_cast<std::uint8_t>(productId >> 8)},
            7};
}

std::uint32_t pacingAfterMs(std::uint8_t reportCode) {
    switch (reportCode) {
        case code::InfoQuery:
        case code::StatusQuery:
        case code::ReadPortId:
            return 20;
        default:
            return 600;
    }
}

const char* reportCodeName(std::uint8_t reportCode) {
    switch (reportCode) {
        case code::InfoQuery: return "InfoQuery";
        case code::InfoReply: return "InfoReply";
        case code::SignOff: return "SignOff";
        case code::ClaimPorts: return "ClaimPorts";
        case code::ReleaseRequest: return "ReleaseRequest";
        case code::ReleaseGrant: return "ReleaseGrant";
        case code::ReleaseDone: return "ReleaseDone";
        case code::StatusQuery: return "StatusQuery";
        case code::StatusReply: return "StatusReply";
        case code::StorePortId: return "StorePortId";
        case code::PortIdCleared: return "PortIdCleared";
        case code::ReadPortId: return "ReadPortId";
        case code::PortIdReply: return "PortIdReply";
        default: return "?";
    }
}

int sendRequest(ReportChannel& channel, const Request& request) {
    return channel.send(request.bytes.data(), request.length);
}

void injectRequest(ReportChannel& channel, const Request& request) {
    channel.inject(request.bytes.data(), request.length);
}

}  // namespace pivora
