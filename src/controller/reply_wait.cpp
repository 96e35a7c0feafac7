#include "controller/reply_wait.h"

#include <algorithm>

#include "controller/deferred_reports.h"
#include "controller/report_channel.h"

namespace pivora {

namespace {
constexpr std::uint32_t kReplyPollMs = 100;
}

int awaitReply(ReportChannel& channel, Clock& clock, std::uint8_t awaitedCode, int limit, int& replyWaitCount,
               std::array<std::uint8_t, kControllerReportLength>& reply, DeferredReports* deferred) {
    // A negative limit waits as long as 0 does: one poll.
    replyWaitCount = limit > 0 ? limit : 0;
    // poll() may deliver a whole report of the channel's length, whatever it is.
    std::array<std::uint8_t, ReportChannel::kMaxReportLength> received{};
    for (;;) {
        const int length = channel.poll(received.data());
        if (length >= 2 && received[1] == awaitedCode) {
            std::copy_n(received.begin(), reply.size(), reply.begin());
            return 1;
        }
        if (deferred != nullptr) deferred->keepIfDeferred(received.data(), length);
        clock.sleep(kReplyPollMs);
        if (replyWaitCount == 0) return 0;
        --replyWaitCount;
    }
}

}  // namespace pivora
