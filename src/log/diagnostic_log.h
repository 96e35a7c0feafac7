#pragma once

#include <string>

namespace pivora {

enum class LogState {
    Off,
    On,
    Failed,  // switched itself off when the file could not be written; the reason says why
};

struct LogStatus {
    LogState state = LogState::Off;
    std::string reason;  // empty unless Failed, e.g. "pivora.log could not be written (error 112)"
};

// What the tray menu and the start option see of the diagnostic log. Every
// call may come from any thread while the control's thread writes, and none
// waits on the disk for more than the one write in progress.
class DiagnosticLog {
public:
    virtual ~DiagnosticLog() = default;

    // Switches the log on or off. Switching on creates the folder and opens
    // the file at once, so a failure is in status() when this returns; on
    // again after a failure tries afresh. Off closes the file.
    virtual void setEnabled(bool on) = 0;

    virtual LogStatus status() const = 0;

    // The file the log writes, as UTF-8 (its older half is this path with ".1").
    virtual std::string filePath() const = 0;
};

}  // namespace pivora
