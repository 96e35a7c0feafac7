#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "controller/report_catalogue.h"
#include "platform/diagnostic_trace.h"

namespace pivora {

// Reports that a reply wait passed over and must not lose: a ReleaseRequest
// or a PortIdCleared from the other computer's side, and an InfoReply, taken
// from the channel while a wait looked for another code. They are kept for
// the control tick's next report step. Dropped, the other user's click would
// do nothing; an InfoReply dropped (a release flow that starts in the tick
// that sent InfoQuery waits right through it) would leave the host letter
// unknown and the registry unloaded until the next device change. So the
// InfoReply is kept apart from the bounded queue, the newest one only, and
// handed out first: the requests kept with it then run knowing the host.

class DeferredReports {
public:
    using Report = std::array<std::uint8_t, kControllerReportLength>;
    // Far more than the waits of one tick can pass over.
    static constexpr std::size_t kCapacity = 16;

    explicit DeferredReports(DiagnosticTrace& trace) : trace_(trace) {}

    // Keeps `report` when its code is one a wait must not lose; true when kept.
    bool keepIfDeferred(const std::uint8_t* report, int length);
    // The InfoReply kept, else the oldest report kept, copied into
    // `destination` (8 bytes); its length, or 0.
    int take(std::uint8_t* destination);
    void clear() {
        reports_.clear();
        infoReply_.reset();
    }
    std::size_t size() const { return reports_.size() + (infoReply_ ? 1 : 0); }

private:
    struct Entry {
        Report bytes;
        int length;
    };

    static Entry entryOf(const std::uint8_t* report, int length);

    DiagnosticTrace& trace_;
    std::deque<Entry> reports_;
    std::optional<Entry> infoReply_;
};

}  // namespace pivora
