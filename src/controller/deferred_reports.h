#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "controller/report_catalogue.h"
#include "platform/diagnostic_trace.h"

namespace pivora {

// Reports from the other computer's side that a reply wait passed over: a
// ReleaseRequest or a PortIdCleared taken from the channel while a wait looked
// for another code. They are kept, in order of arrival, for the control
// tick's next report step; dropped, the other user's click would do nothing.
class DeferredReports {
public:
    using Report = std::array<std::uint8_t, kControllerReportLength>;
    // Far more than the waits of one tick can pass over.
    static constexpr std::size_t kCapacity = 16;

    explicit DeferredReports(DiagnosticTrace& trace) : trace_(trace) {}

    // Keeps `report` when its code is one a wait must not lose; true when kept.
    bool keepIfDeferred(const std::uint8_t* report, int length);
    // The oldest report kept, copied into `destination` (8 bytes); its length, or 0.
    int take(std::uint8_t* destination);
    void clear() { reports_.clear(); }
    std::size_t size() const { return reports_.size(); }

private:
    struct Entry {
        Report bytes;
        int length;
    };

    DiagnosticTrace& trace_;
    std::deque<Entry> reports_;
};

}  // namespace pivora
