#include "scenario.h"

#include <array>

namespace pivora::soak {

namespace {
constexpr std::uint64_t kTickPeriodMs = 1000;
// The other computer's answer to a claim: its grant after 0.7 s, its
// confirmation 1.6 s later, then the hub's enumeration of the moved ports.
constexpr std::uint64_t kClaimsInFlightMs = 3000;
// Late completions of cancelled I/O come at most a second after the cancel.
constexpr std::uint32_t kLateCompletionsEndMs = 3000;
}  // namespace

Scenario::Setup Scenario::readSetup(fuzz::FuzzInput& input) {
    const std::uint8_t shape = input.u8();
    Setup setup{};
    setup.host = (shape & 0x01) != 0 ? sim::Host::B : sim::Host::A;
    setup.form = (shape & 0x02) != 0 ? sim::SwitchHub::Form::FourPort : sim::SwitchHub::Form::TwoPort;
    setup.rawMask = static_cast<std::uint8_t>(shape >> 4);
    setup.devices = input.u8();
    return setup;
}

Scenario::Scenario(fuzz::FuzzInput& input, bool keepLog)
    : input_(input),
      setup_(readSetup(input)),
      on_(setup_.host),
      checker_(on_, setup_.host, printers_),
      keepLog_(keepLog) {
    on_.sw.hub.setForm(setup_.form);
    on_.sw.firmware.setRawMask(setup_.rawMask);
    on_.sw.firmware.playPeer(sim::otherHost(setup_.host));
    for (int port = 0; port < 4; ++port)
        if ((setup_.devices & (1u << port)) != 0 && on_.sw.hub.isUserPort(port)) plugAt(port);
    checker_.attach();
}

void Scenario::log(const std::string& line) {
    if (keepLog_) log_.push_back(std::to_string(on_.now()) + " " + line);
}

ScenarioOutcome Scenario::run() {
    log(std::string("host ") + sim::hostLetter(setup_.host) +
        (setup_.form == sim::SwitchHub::Form::TwoPort ? " TwoPort" : " FourPort") + " raw mask " +
        std::to_string(setup_.rawMask) + " devices " + std::to_string(setup_.devices));
    on_.start();
    while (!input_.empty() && steps_ < kMaxSteps && on_.now() < kMaxVirtualMs && !checker_.failed()) {
        const std::size_t opensBefore = on_.computer.hid.overlappedOpens().size();
        const bool cleanBefore = troubleSourcesGone();
        checker_.beginStep(writesReachController());
        step();
        checker_.endStep(writesReachController());
        // A reconnection once the trouble is over starts the channel afresh.
        if (cleanBefore && troubleSourcesGone() && on_.computer.hid.overlappedOpens().size() > opensBefore)
            writeTrouble_ = false;
        ++steps_;
    }
    if (!checker_.failed()) settle();
    if (!checker_.failed()) tearDown();
    return {!checker_.failed(), checker_.violation(), steps_,        checker_.checks(),
            on_.now(),           checker_.accountedSteps(), settleTicks_};
}

// The faults stop: I/O works, the controller is plugged in, a pending
// suspend or logoff is over, no printer has work. Once the claims in flight
// have moved their ports, the switch is replugged, as its user would: much
// that went wrong only a rediscovery puts right (a made-up InfoReply or
// StatusReply is believed, a withheld reply or a failed write leaves a
// request pending, a report waiting when the follow-up countdown runs out
// stands in the way of its only StatusQuery). Then within kSettleTicks
// ticks Pivora is Ready and its panel shows the switch's real ports. The
// bound: a rediscovery takes three ticks (connect and InfoQuery; InfoReply,
// registry load and StatusQuery; StatusReply and panel); each release the
// controller asked for before the end runs on its own tick, and its removals
// make a device change, so three more; claims still in flight move ports a
// few seconds later, and their device change costs another rediscovery.
// Forty ticks cover a handful of such requests.
void Scenario::settle() {
    log("faults stop");
    sim::SimHidDevices& hid = on_.computer.hid;
    hid.setWriteMode(sim::SimHidDevices::WriteMode::Complete);
    hid.setWriteDelay(4);
    hid.failReads(false);
    hid.setCancelLatency(0);
    for (std::uint8_t request : {code::InfoQuery, code::StatusQuery, code::ReadPortId})
        on_.sw.firmware.withholdReplies(request, 0);
    on_.sw.firmware.refuseStores(false);
    for (const PrinterOnSwitch& printer : printers_) on_.computer.spooler.printer(printer.spoolerIndex).jobsQueued = 0;
    faultsStopped_ = true;  // and those still scheduled do nothing
    hid.plug(controllerDevice());
    if (suspended_) post(Command{Command::Resume});
    if (logoffPending_) post(Command{Command::EndSession, 0});
    on_.runUntil(on_.now() + kClaimsInFlightMs);
    post(Command{Command::DeviceChanged});
    controllerPresent_ = true;
    const std::uint64_t stopped = on_.now();
    const std::size_t traced = on_.trace.allReports().size();
    for (settleTicks_ = 1; settleTicks_ <= kSettleTicks; ++settleTicks_) {
        on_.runUntil(on_.now() + kTickPeriodMs);
        if (checker_.failed() || checker_.settled()) return;
    }
    if (keepLog_) logWhatFollowed(stopped, traced);
    checker_.fail("not Ready with a panel showing the switch's ports " + std::to_string(kSettleTicks) +
                  " ticks after the faults stopped: " + checker_.describeState());
}

// What was written, handled and delivered from `since` on (the trace from
// entry `traced` on).
void Scenario::logWhatFollowed(std::uint64_t since, std::size_t traced) {
    const std::vector<std::string> written = on_.written(since);
    const std::vector<std::uint64_t> times = on_.writeTimes(since);
    for (std::size_t index = 0; index < written.size(); ++index)
        log("wrote " + written[index] + " at " + std::to_string(times[index]));
    for (const auto& item : on_.loop.handled())
        if (item.time >= since && item.command.kind != Command::Tick)
            log("handled command " + std::to_string(item.command.kind) + " " + std::to_string(item.command.value) +
                " at " + std::to_string(item.time));
    const auto& reports = on_.trace.allReports();
    for (std::size_t index = traced; index < reports.size(); ++index) {
        std::string text = reports[index].channel == TraceChannel::ReportsDelivered ? "delivered" : "written";
        for (std::uint8_t byte : reports[index].bytes) text += " " + std::to_string(byte);
        log(text);
    }
}

void Scenario::tearDown() {
    on_.dialog.tearDownMainWindow();
    // What destroying the control does first; the checker needs the switch
    // still there to count what was given back.
    SwitchControl& control = on_.control;
    control.channel.cancelPending();
    control.channel.close();
    on_.sw.clock.runUntil(on_.now() + kLateCompletionsEndMs);
    // The channel frees the records of operations that have ended at its next call.
    std::array<std::uint8_t, ReportChannel::kMaxReportLength> report{};
    control.channel.poll(report.data());
    checker_.afterTeardown();
}

}  // namespace pivora::soak
