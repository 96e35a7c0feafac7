#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "computer_on_switch.h"

namespace pivora::soak {

// A local printer of the computer under test, installed on the USB ID of a
// device on the switch.
struct PrinterOnSwitch {
    std::uint16_t vendorId;
    std::uint16_t productId;
    int spoolerIndex;
};

// Watches one computer on the switch while a scenario runs and records the
// first broken rule. What it watches it learns from the simulated switch and
// the recording window: the reports each side writes, the removals a device
// refuses, what the channel delivers, the panel the control publishes.
class InvariantChecker {
public:
    InvariantChecker(test::ComputerOnSwitch& computer, sim::Host host, const std::vector<PrinterOnSwitch>& printers);
    InvariantChecker(const InvariantChecker&) = delete;
    InvariantChecker& operator=(const InvariantChecker&) = delete;

    // Hooks the checker into the switch and the window's dispatcher. Once,
    // before the window starts.
    void attach();

    // Around each step of the scenario. `writesReachController`: nothing the
    // scenario did may keep a write from reaching the controller from the
    // step's start to its end; only then are the channel's reports accounted.
    void beginStep(bool writesReachController);
    void endStep(bool writesReachController);

    // Ready, nothing running, and the panel shows who holds each port.
    bool settled();
    // After the window is gone and late completions have ended.
    void afterTeardown();

    void fail(const std::string& violation);
    // The control fields, the switch's ports and the arrow images, for a report.
    std::string describeState();
    bool failed() const { return !violation_.empty(); }
    const std::string& violation() const { return violation_; }
    long checks() const { return checks_; }
    // Steps whose reports were accounted (no write could be lost in them).
    int accountedSteps() const { return accountedSteps_; }

private:
    void afterHandler();
    void onWritten(sim::Host from, const sim::WireReport& report);
    void checkGrant(std::uint8_t ports);
    void checkDone(std::uint8_t ports);
    void followTrace();
    void checkReportsAccounted();
    std::uint8_t portsInUse() const;
    bool portSettledHere(int port) const;

    test::ComputerOnSwitch& on_;
    sim::Host host_;
    const std::vector<PrinterOnSwitch>& printers_;

    std::string violation_;
    long checks_ = 0;
    int accountedSteps_ = 0;
    bool accounting_ = false;

    // What the window and the trace showed so far.
    std::size_t reportsSeen_ = 0;
    std::size_t linesSeen_ = 0;

    // ReleaseRequests, PortIdCleared reports and InfoReplies the channel
    // delivered, and where they went: into a release flow, the handling of
    // the other two, or the deferred queue.
    long delivered_ = 0;
    long flowsRun_ = 0;
    long handled_ = 0;
    bool deferredOverflowed_ = false;
    struct Tally {
        long delivered, flowsRun, handled;
        std::size_t deferred;
    };
    Tally atStepStart_{};

    // Ports whose device refused removal since this computer's last grant.
    std::uint8_t refusedSinceGrant_ = 0;
    // When each port last reached this computer, in virtual ms.
    std::array<std::uint64_t, 4> arrivedAt_{};
};

}  // namespace pivora::soak
