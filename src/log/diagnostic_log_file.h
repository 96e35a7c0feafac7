#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "log/diagnostic_log.h"
#include "log/rotating_log_file.h"
#include "platform/diagnostic_trace.h"
#include "platform/log_file_api.h"

namespace pivora {

// The product's diagnostic trace: while on, each report and text line goes to
// pivora.log as one time-stamped entry (see log_entry.h), written on the
// thread that traced it; off, a trace call costs one atomic load. It starts
// off. Switching runs on another thread (the window's) while the control's
// thread writes: no lock is held across the switch's own file calls, so the
// control never waits on them, and the switch waits for at most the one
// write in progress. A write that fails closes the file and turns the log
// to Failed, so no later trace call touches the disk.
class DiagnosticLogFile final : public DiagnosticTrace, public DiagnosticLog {
public:
    explicit DiagnosticLogFile(LogFileApi& files) : files_(files), file_(files) {}

    void report(TraceChannel channel, const std::uint8_t* bytes, std::size_t length) override;
    void line(TraceChannel channel, const char* text) override;

    void setEnabled(bool on) override;
    LogStatus status() const override;
    std::string filePath() const override;

private:
    void write(const std::string& entry);
    void setStatus(LogState state, std::string reason);

    LogFileApi& files_;
    std::atomic<bool> on_{false};  // whether writers format at all; file_ decides under writing_
    std::mutex switching_;         // one switch at a time
    std::mutex writing_;           // held around every call on file_, never across a switch's open or close
    RotatingLogFile file_;
    mutable std::mutex statusLock_;  // never held across a file call
    LogStatus status_;
};

}  // namespace pivora
