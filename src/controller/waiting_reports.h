#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "controller/report_channel.h"
#include "platform/diagnostic_trace.h"

namespace pivora {

// The reports a channel holds for its next polls, oldest first: injected
// ones, and a report read from the device before one was injected behind it.
// A report equal to one already waiting is not queued again (a release
// clicked twice before the tick took the first asks for nothing more); past
// ReportChannel::kMaxWaitingReports a report is dropped, with a trace line.
class WaitingReports {
public:
    // `fullLine`: the trace line, naming its channel, written for each report
    // dropped for want of room.
    WaitingReports(DiagnosticTrace& trace, const char* fullLine) : trace_(trace), fullLine_(fullLine) {}

    // Queues `length` bytes of `report` (1 to kMaxReportLength).
    void push(const std::uint8_t* report, std::uint32_t length);

    // Copies the oldest report into `destination` and forgets it: its length,
    // or 0 when none waits.
    std::uint32_t pop(std::uint8_t* destination);

    // The length of the oldest report, or 0.
    std::uint32_t frontLength() const { return reports_.empty() ? 0 : reports_.front().length; }
    bool empty() const { return reports_.empty(); }
    void clear() { reports_.clear(); }

private:
    struct Report {
        std::array<std::uint8_t, ReportChannel::kMaxReportLength> bytes;
        std::uint32_t length;
    };

    DiagnosticTrace& trace_;
    const char* fullLine_;
    std::deque<Report> reports_;
};

}  // namespace pivora
