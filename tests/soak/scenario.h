#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "computer_on_switch.h"
#include "control/lock_key_tap.h"
#include "fuzz_input.h"
#include "invariant_checker.h"

namespace pivora::soak {

struct ScenarioOutcome {
    bool passed;
    std::string violation;
    int steps;
    long checks;
    std::uint64_t virtualMs;
    int accountedSteps;
    int settleTicks;  // ticks from the end of the faults to a settled panel
};

// One computer's Pivora on a simulated switch, the other computer played by
// the controller's model, driven by a vocabulary of steps read from bytes:
// time passing, reports the controller makes up, the other computer's
// claims, the user's clicks and double taps, devices and printers coming and
// going, the controller unplugged, I/O failing, power and session events.
// The checker looks at everything after every handler and every step; at the
// end the faults stop and Pivora must settle, then let go of everything.
class Scenario {
public:
    static constexpr int kMaxSteps = 300;
    static constexpr std::uint64_t kMaxVirtualMs = 200000;
    // Once the faults stop, a Ready panel showing the switch's real ports is
    // due within this many ticks of the one-second timer (see settle()).
    static constexpr int kSettleTicks = 40;

    // `keepLog`: write the step log. A scenario runs the same from the same
    // bytes, so a run that broke a rule is run again with its log.
    Scenario(fuzz::FuzzInput& input, bool keepLog);
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    ScenarioOutcome run();
    const std::vector<std::string>& stepLog() const { return log_; }

private:
    struct Setup {
        sim::Host host;
        sim::SwitchHub::Form form;
        std::uint8_t rawMask;
        std::uint8_t devices;
    };
    static Setup readSetup(fuzz::FuzzInput& input);

    // scenario_steps.cpp: the vocabulary.
    void step();
    void runFor();
    void rawReport();
    void otherComputerClaims();
    void clickArrow();
    void doubleTap();
    void lockKeys();
    void deviceChanges();
    void plugDevice();
    void unplugDevice();
    void refuseRemoval();
    void printer();
    void unplugController();
    void replugController();
    void writeFault();
    void readFault();
    void cancelLatency();
    void withholdReply();
    void powerEvent();
    void logoff();
    void refuseStores();

    // The moment a step acts: now, or some milliseconds into the next run,
    // which lands it in the middle of whatever handler runs then.
    // `troubles`: the act may keep writes from reaching the controller.
    template <typename Act>
    void nowOrLater(const std::string& what, bool troubles, Act act);
    std::uint32_t faultDuration();
    template <typename End>
    void endsLater(const std::string& what, std::uint32_t after, End end);
    void plugController();
    void post(const Command& command);
    int plugAt(int port);
    int pickPluggedDevice();
    int controllerDevice() const;
    void troubleStarts();
    // Nothing the scenario set going keeps writes from completing now.
    bool troubleSourcesGone() const;
    bool writesReachController() const;

    // scenario.cpp
    void settle();
    void logWhatFollowed(std::uint64_t since, std::size_t traced);
    void tearDown();
    void log(const std::string& line);

    fuzz::FuzzInput& input_;
    Setup setup_;
    test::ComputerOnSwitch on_;
    std::vector<PrinterOnSwitch> printers_;
    InvariantChecker checker_;
    LockKeyDoubleTap lockKeys_;
    std::uint32_t keyTime_ = 1;
    bool keepLog_;
    std::vector<std::string> log_;
    int steps_ = 0;
    int settleTicks_ = 0;
    int devicesMade_ = 0;

    // What the scenario has done that the checker and the end must allow for.
    bool controllerPresent_ = true;
    bool suspended_ = false;
    bool logoffPending_ = false;
    bool writesBroken_ = false;  // a write mode or delay that keeps writes from completing
    int troublesScheduled_ = 0;
    bool faultsStopped_ = false;
    // Writes may have been lost since the last clean reconnection.
    bool writeTrouble_ = false;
};

}  // namespace pivora::soak
