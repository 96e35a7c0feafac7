#include "controller/deferred_reports.h"

#include <algorithm>

namespace pivora {

bool DeferredReports::keepIfDeferred(const std::uint8_t* report, int length) {
    if (report == nullptr || length < 2) return false;
    if (report[1] == code::InfoReply) {
        if (infoReply_) trace_.line(TraceChannel::Text, "DeferredReports: older InfoReply dropped\r\n");
        infoReply_ = entryOf(report, length);
        return true;
    }
    if (report[1] != code::ReleaseRequest && report[1] != code::PortIdCleared) return false;
    if (reports_.size() >= kCapacity) {
        trace_.line(TraceChannel::Text, "DeferredReports: full, report dropped\r\n");
        return false;
    }
    reports_.push_back(entryOf(report, length));
    return true;
}

DeferredReports::Entry DeferredReports::entryOf(const std::uint8_t* report, int length) {
    Entry entry{};
    entry.length = std::min(length, static_cast<int>(entry.bytes.size()));
    std::copy_n(report, entry.length, entry.bytes.begin());
    return entry;
}

int DeferredReports::take(std::uint8_t* destination) {
    std::optional<Entry> taken;
    if (infoReply_) {
        taken.swap(infoReply_);
    } else if (!reports_.empty()) {
        taken = reports_.front();
        reports_.pop_front();
    } else {
        return 0;
    }
    std::copy_n(taken->bytes.begin(), taken->length, destination);
    return taken->length;
}

}  // namespace pivora
