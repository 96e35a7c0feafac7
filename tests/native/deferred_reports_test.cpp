#include <gtest/gtest.h>

#include <array>

#include "controller/deferred_reports.h"
#include "recording_trace.h"

namespace pivora::test {
namespace {

using Report = DeferredReports::Report;

Report reportOf(std::uint8_t reportCode, std::uint8_t data) { return Report{2, reportCode, data, 0, 0, 0, 0, 0}; }

bool keep(DeferredReports& kept, const Report& report) {
    return kept.keepIfDeferred(report.data(), static_cast<int>(report.size()));
}

// The other computer's requests flood a wait and fill the queue; the
// InfoReply that comes after them is still kept, and handed out first.
TEST(DeferredReports, InfoReplyIsKeptWhenTheQueueIsFullAndTakenFirst) {
    RecordingTrace trace;
    DeferredReports kept(trace);
    for (std::size_t request = 0; request < DeferredReports::kCapacity; ++request)
        ASSERT_TRUE(keep(kept, reportOf(code::ReleaseRequest, static_cast<std::uint8_t>(request))));
    EXPECT_FALSE(keep(kept, reportOf(code::ReleaseRequest, 0x0F))) << "the queue is bounded";
    EXPECT_TRUE(keep(kept, reportOf(code::InfoReply, 1)));
    EXPECT_TRUE(keep(kept, reportOf(code::InfoReply, 2))) << "a newer InfoReply replaces the kept one";
    EXPECT_FALSE(keep(kept, reportOf(code::StatusReply, 0x0C))) << "replies are the waits' own";

    Report taken{};
    ASSERT_EQ(kept.take(taken.data()), 8);
    EXPECT_EQ(taken, reportOf(code::InfoReply, 2));
    ASSERT_EQ(kept.take(taken.data()), 8);
    EXPECT_EQ(taken, reportOf(code::ReleaseRequest, 0));
    EXPECT_EQ(kept.size(), DeferredReports::kCapacity - 1);
}

}  // namespace
}  // namespace pivora::test
