#include "controller/deferred_reports.h"

#include <algorithm>

namespace pivora {

bool DeferredReports::keepIfDeferred(const std::uint8_t* report, int length) {
    if (report == nullptr || length < 2) return false;
    if (report[1] != code::ReleaseRequest && report[1] != code::PortIdCleared) return false;
    if (reports_.size() >= kCapacity) {
        trace_.line(TraceChannel::Text, "DeferredReports: full, report dropped\r\n");
        return false;
    }
    Entry entry{};
    entry.length = std::min(length, static_cast<int>(entry.bytes.size()));
    std::copy_n(report, entry.length, entry.bytes.begin());
    reports_.push_back(entry);
    return true;
}

int DeferredReports::take(std::uint8_t* destination) {
    if (reports_.empty()) return 0;
    const Entry entry = reports_.front();
    reports_.pop_front();
    std::copy_n(entry.bytes.begin(), entry.length, destination);
    return entry.length;
}

}  // namespace pivora
