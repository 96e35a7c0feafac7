#include "controller/waiting_reports.h"

#include <cstring>

namespace pivora {

void WaitingReports::push(const std::uint8_t* report, std::uint32_t length) {
    if (report == nullptr || length == 0 || length > ReportChannel::kMaxReportLength) return;
    for (const Report& entry : reports_)
        if (entry.length == length && std::memcmp(entry.bytes.data(), report, length) == 0) return;
    if (reports_.size() >= ReportChannel::kMaxWaitingReports) {
        trace_.line(TraceChannel::Text, fullLine_);
        return;
    }
    Report entry{};
    std::memcpy(entry.bytes.data(), report, length);
    entry.length = length;
    reports_.push_back(entry);
}

std::uint32_t WaitingReports::pop(std::uint8_t* destination) {
    if (reports_.empty()) return 0;
    const Report& oldest = reports_.front();
    const std::uint32_t length = oldest.length;
    std::memcpy(destination, oldest.bytes.data(), length);
    reports_.pop_front();
    return length;
}

}  // namespace pivora
