#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/diagnostic_trace.h"

namespace pivora::test {

using Bytes = std::vector<std::uint8_t>;

// Keeps every trace entry so tests can check what was delivered and written.
class RecordingTrace : public DiagnosticTrace {
public:
    struct ReportEntry {
        TraceChannel channel;
        Bytes bytes;
    };

    void report(TraceChannel channel, const std::uint8_t* bytes, std::size_t length) override {
        reports_.push_back({channel, Bytes(bytes, bytes + length)});
    }
    void line(TraceChannel channel, const char* text) override { lines_.push_back({channel, text}); }

    std::vector<Bytes> reports(TraceChannel channel) const {
        std::vector<Bytes> found;
        for (const auto& entry : reports_)
            if (entry.channel == channel) found.push_back(entry.bytes);
        return found;
    }
    const std::vector<std::pair<TraceChannel, std::string>>& lines() const { return lines_; }
    // Every report of every channel, in order: a reader that follows the
    // trace as it grows takes only what is new.
    const std::vector<ReportEntry>& allReports() const { return reports_; }

private:
    std::vector<ReportEntry> reports_;
    std::vector<std::pair<TraceChannel, std::string>> lines_;
};

}  // namespace pivora::test
