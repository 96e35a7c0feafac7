#include "invariant_checker.h"

#include "hex_text.h"

namespace pivora::soak {

namespace {

using sim::Host;

// What the control traces when it handles a PortIdCleared and an InfoReply.
const std::string kSlotsClearedLine = "PortIdCleared=";
const std::string kInfoHandledLine = "Firmware=";
// What it traces as a release flow begins.
const std::string kReleaseFlowLine = "ReleaseRequest=";
// What the deferred queue says when it lets a report go.
const std::string kDeferredDropPrefix = "DeferredReports: ";

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }


}  // namespace

InvariantChecker::InvariantChecker(test::ComputerOnSwitch& computer, Host host,
                                   const std::vector<PrinterOnSwitch>& printers)
    : on_(computer), host_(host), printers_(printers) {}

void InvariantChecker::attach() {
    on_.sw.firmware.connectWritten([this](Host from, const sim::WireReport& report) { onWritten(from, report); });
    on_.computer.usb.onRemovalRefused = [this](int device) {
        if (device < 0) return;
        const int port = on_.sw.hub.device(device).port;
        if (port >= 0) refusedSinceGrant_ = static_cast<std::uint8_t>(refusedSinceGrant_ | (1u << port));
    };
    on_.loop.afterEach = [this] { afterHandler(); };
}

void InvariantChecker::fail(const std::string& violation) {
    if (violation_.empty()) violation_ = "at " + std::to_string(on_.now()) + " ms: " + violation;
}

void InvariantChecker::afterHandler() {
    ++checks_;
    if (on_.computer.hid.maxReadsInFlight() > 1) fail("two reads were in flight on the controller at once");
    if (on_.computer.hid.ioRecordsReusedWhilePending() > 0)
        fail("a read or write was issued on a record or buffer the platform had not finished with");
}

void InvariantChecker::onWritten(Host from, const sim::WireReport& report) {
    if (from != host_) {
        // The other computer's confirmation brings its ports here; their
        // devices show once the hub has enumerated them.
        if (report[1] == code::ReleaseDone) {
            const auto moving = static_cast<std::uint8_t>(report[2] & on_.sw.firmware.portsOf(from));
            for (int port = 0; port < 4; ++port)
                if ((moving & (1u << port)) != 0) arrivedAt_[static_cast<std::size_t>(port)] = on_.now();
        }
        return;
    }
    switch (report[1]) {
        case code::ReleaseGrant:
            checkGrant(report[2]);
            refusedSinceGrant_ = 0;
            break;
        case code::ReleaseDone:
            checkDone(report[2]);
            break;
        default:
            break;
    }
}

bool InvariantChecker::portSettledHere(int port) const {
    if ((on_.sw.firmware.portsOf(host_) & (1u << port)) == 0) return false;
    return on_.now() > arrivedAt_[static_cast<std::size_t>(port)] + sim::SimulatedSwitch::kEnumerationDelayMs;
}

void InvariantChecker::checkGrant(std::uint8_t ports) {
    if (!accounting_) return;
    ++checks_;
    for (const PrinterOnSwitch& printer : printers_) {
        if (on_.computer.spooler.printer(printer.spoolerIndex).jobsQueued == 0) continue;
        for (int id = 0; id < on_.sw.hub.deviceCount(); ++id) {
            const sim::SwitchHub::Device& device = on_.sw.hub.device(id);
            if (device.port < 0 || device.vendorId != printer.vendorId || device.productId != printer.productId)
                continue;
            if (device.removed[static_cast<std::size_t>(host_)] || !portSettledHere(device.port)) continue;
            if ((ports & (1u << device.port)) != 0)
                fail("ReleaseGrant " + hexText(ports) + " gives away port " + std::to_string(device.port) +
                     ", which carries a local printer with jobs queued");
        }
    }
}

void InvariantChecker::checkDone(std::uint8_t ports) {
    if (!accounting_) return;
    ++checks_;
    if ((ports & refusedSinceGrant_) != 0)
        fail("ReleaseDone " + hexText(ports) + " names a port whose device refused removal (" +
             hexText(refusedSinceGrant_) + ")");
}

void InvariantChecker::followTrace() {
    const auto& reports = on_.trace.allReports();
    for (; reportsSeen_ < reports.size(); ++reportsSeen_) {
        const auto& entry = reports[reportsSeen_];
        if (entry.channel != TraceChannel::ReportsDelivered || entry.bytes.size() < 2) continue;
        const std::uint8_t reportCode = entry.bytes[1];
        if (reportCode == code::ReleaseRequest || reportCode == code::PortIdCleared || reportCode == code::InfoReply)
            ++delivered_;
    }
    const auto& lines = on_.trace.lines();
    for (; linesSeen_ < lines.size(); ++linesSeen_) {
        const std::string& line = lines[linesSeen_].second;
        if (startsWith(line, kDeferredDropPrefix)) deferredOverflowed_ = true;
        if (startsWith(line, kSlotsClearedLine) || startsWith(line, kInfoHandledLine)) ++handled_;
        if (startsWith(line, kReleaseFlowLine)) ++flowsRun_;
    }
}

void InvariantChecker::beginStep(bool writesReachController) {
    followTrace();
    accounting_ = writesReachController;
    refusedSinceGrant_ = 0;
    deferredOverflowed_ = false;
    atStepStart_ = {delivered_, flowsRun_, handled_, on_.control.deferredReports.size()};
}

void InvariantChecker::endStep(bool writesReachController) {
    followTrace();
    accounting_ = accounting_ && writesReachController;
    if (accounting_) checkReportsAccounted();
}

void InvariantChecker::checkReportsAccounted() {
    ++checks_;
    ++accountedSteps_;
    // A delivered ReleaseRequest runs a release flow or waits in the deferred
    // queue; a delivered PortIdCleared clears slots, an InfoReply shows the
    // firmware, or they wait there too. The queue says so when it lets one
    // go: a full queue, or an InfoReply a newer one replaced.
    const long deferredChange = static_cast<long>(on_.control.deferredReports.size()) -
                                static_cast<long>(atStepStart_.deferred);
    const long lost = (delivered_ - atStepStart_.delivered) - (flowsRun_ - atStepStart_.flowsRun) -
                      (handled_ - atStepStart_.handled) - deferredChange;
    if (lost != 0 && !deferredOverflowed_)
        fail(std::to_string(lost) + " ReleaseRequest, PortIdCleared or InfoReply report(s) delivered but neither " +
             "handled nor kept");
}

std::uint8_t InvariantChecker::portsInUse() const {
    return on_.sw.hub.form() == sim::SwitchHub::Form::TwoPort ? 0x0C : 0x0F;
}

bool InvariantChecker::settled() {
    ++checks_;
    const SwitchControl& control = on_.control;
    const HubKind expectedKind = on_.sw.hub.form() == sim::SwitchHub::Form::TwoPort ? TwoPort : FourPort;
    if (control.controllerOpen != 1 || control.hubReady != 1 || control.pendingAction != 0 ||
        control.hubKind != expectedKind || control.hostIndex != static_cast<int>(host_) || !control.channel.isOpen())
        return false;
    const std::uint8_t inUse = portsInUse();
    const std::uint8_t here = on_.sw.firmware.portsOf(host_);
    if ((control.ownedMask & inUse) != (here & inUse)) return false;
    const PanelState panel = on_.panel();
    for (int port = 0; port < 4; ++port) {
        if ((inUse & (1u << port)) == 0) continue;
        // The lit arrow stands on the side of the computer that holds the port.
        const PortRowState& row = panel.ports.at(static_cast<std::size_t>(port));
        const bool isHere = (here & (1u << port)) != 0;
        if (row.claim != (isHere ? ArrowImage::Lit : ArrowImage::Dim)) return false;
        if (row.release != (isHere ? ArrowImage::Dim : ArrowImage::Lit)) return false;
    }
    return true;
}

std::string InvariantChecker::describeState() {
    const SwitchControl& control = on_.control;
    std::string text = "open " + std::to_string(control.controllerOpen) + " hub " + std::to_string(control.hubReady) +
                       " kind " + std::to_string(control.hubKind) + " host " + std::to_string(control.hostIndex) +
                       " owned " + hexText(control.ownedMask) + " pending " + std::to_string(control.pendingAction) +
                       " keepAlive " + std::to_string(control.keepAliveCountdown) + " channel " +
                       (control.channel.isOpen() ? "open" : "closed") + "; switch gives this computer " +
                       hexText(on_.sw.firmware.portsOf(host_)) + "; arrows (claim/release)";
    const PanelState panel = on_.panel();
    for (const PortRowState& row : panel.ports)
        text += " " + std::to_string(static_cast<int>(row.claim)) + "/" + std::to_string(static_cast<int>(row.release));
    return text;
}

void InvariantChecker::afterTeardown() {
    ++checks_;
    const sim::SimComputer& computer = on_.computer;
    if (!computer.allReleased())
        fail("something acquired through a seam was not released: " + std::to_string(computer.hid.handlesOpen()) +
             " HID handles, " + std::to_string(computer.interfaces.setsOpen()) + " device sets open");
}

}  // namespace pivora::soak
