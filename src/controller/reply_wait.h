#pragma once

#include <array>
#include <cstdint>

#include "controller/report_catalogue.h"
#include "platform/clock.h"

namespace pivora {

class DeferredReports;
class ReportChannel;

// Waits for one particular reply right after its request was sent: polls,
// sleeps 100 ms, and counts `replyWaitCount` down from `limit`, so at most
// limit + 1 polls (one for a negative limit). Any other report taken
// meanwhile is consumed: the other computer's requests go to `deferred` when
// one is given, the rest are dropped. 1 with the reply's eight bytes in
// `reply`, or 0 on time-out.
int awaitReply(ReportChannel& channel, Clock& clock, std::uint8_t awaitedCode, int limit, int& replyWaitCount,
               std::array<std::uint8_t, kControllerReportLength>& reply, DeferredReports* deferred = nullptr);

}  // namespace pivora
