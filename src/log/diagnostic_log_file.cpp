#include "log/diagnostic_log_file.h"

#include <utility>

#include "log/log_entry.h"

namespace pivora {

void DiagnosticLogFile::report(TraceChannel channel, const std::uint8_t* bytes, std::size_t length) {
    if (!on_.load(std::memory_order_relaxed)) return;
    write(reportEntry(files_.localTime(), channel, bytes, length));
}

void DiagnosticLogFile::line(TraceChannel channel, const char* text) {
    if (!on_.load(std::memory_order_relaxed)) return;
    write(textEntry(files_.localTime(), channel, text));
}

void DiagnosticLogFile::write(const std::string& entry) {
    const std::lock_guard<std::mutex> hold(writing_);
    if (!file_.isOpen()) return;  // switched off since the check above
    LogFailure failed = file_.append(entry);
    if (failed.empty()) return;
    on_ = false;
    setStatus(LogState::Failed, std::move(failed));
}

void DiagnosticLogFile::setEnabled(bool on) {
    const std::lock_guard<std::mutex> oneSwitch(switching_);
    if (!on) {
        RotatingLogFile closing(files_);
        {
            const std::lock_guard<std::mutex> hold(writing_);
            on_ = false;
            closing = std::move(file_);
            setStatus(LogState::Off, {});
        }
        return;  // `closing` closes the file here, with no lock a writer waits on
    }
    if (on_) return;
    // Off, so no writer touches a file: the opening needs no lock.
    RotatingLogFile opened(files_);
    if (LogFailure failed = opened.open(); !failed.empty()) {
        setStatus(LogState::Failed, std::move(failed));
        return;
    }
    const std::lock_guard<std::mutex> hold(writing_);
    file_ = std::move(opened);
    on_ = true;
    setStatus(LogState::On, {});
}

void DiagnosticLogFile::setStatus(LogState state, std::string reason) {
    const std::lock_guard<std::mutex> hold(statusLock_);
    status_ = {state, std::move(reason)};
}

LogStatus DiagnosticLogFile::status() const {
    const std::lock_guard<std::mutex> hold(statusLock_);
    return status_;
}

std::string DiagnosticLogFile::filePath() const { return files_.pathOf(RotatingLogFile::kName); }

}  // namespace pivora
