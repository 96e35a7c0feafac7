#include "invariant_checker.h"

#include "hex_text.h"
#include "ui/resource_ids.h"

namespace pivora::soak {

namespace {

using sim::Host;

// The images a row's buttons show: lit on the side that holds the port.
struct RowButtons {
    int claim;
    int release;
    int dim;
    int lit;
};
// By port 0..3.
constexpr std::array<RowButtons, 4> kRows = {{
    {IDC_CLAIM_ROW4, IDC_RELEASE_ROW4, IDB_DIM_4, IDB_LIT_4},
    {IDC_CLAIM_ROW3, IDC_RELEASE_ROW3, IDB_DIM_3, IDB_LIT_3},
    {IDC_CLAIM_ROW2, IDC_RELEASE_ROW2, IDB_DIM_2, IDB_LIT_2},
    {IDC_CLAIM_ROW1, IDC_RELEASE_ROW1, IDB_DIM_1, IDB_LIT_1},
}};

// What clearPortIdSlots posts; the scenario's own device changes carry a parameter.
const std::string kSlotsClearedPost = "postMessage 77 0x0219 0 0x0";
// What an InfoReply's handling shows first; the clearing step empties the field instead.
const std::string kFirmwareShown = "setControlText " + std::to_string(IDC_FIRMWARE_VERSION) + " ";
const std::string kImagePrefix = "setButtonImage ";
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
    test::MessageQueueWindow::Dispatcher handle = on_.windows.dispatcher;
    on_.windows.dispatcher = [this, handle](const QueuedMessage& message) {
        handle(message);
        afterHandler();
    };
}

void InvariantChecker::fail(const std::string& violation) {
    if (violation_.empty()) violation_ = "at " + std::to_string(on_.now()) + " ms: " + violation;
}

void InvariantChecker::afterHandler() {
    ++checks_;
    const SwitchDialog& dialog = on_.dialog;
    if (dialog.releaseBusy != 0 || dialog.printerPollBusy != 0)
        fail("a busy flag stayed set after its handler returned (releaseBusy " + std::to_string(dialog.releaseBusy) +
             ", printerPollBusy " + std::to_string(dialog.printerPollBusy) + ")");
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
        case code::StatusQuery:
            // Each release flow starts with one; nothing else sends one while it runs.
            if (on_.dialog.releaseBusy == 1) ++flowsRun_;
            break;
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
    for (; linesSeen_ < lines.size(); ++linesSeen_)
        if (startsWith(lines[linesSeen_].second, kDeferredDropPrefix)) deferredOverflowed_ = true;
}

void InvariantChecker::followWindow() {
    const auto& calls = on_.windows.calls;
    for (; callsSeen_ < calls.size(); ++callsSeen_) {
        const std::string& call = calls[callsSeen_];
        if (call == kSlotsClearedPost) {
            ++handled_;
        } else if (startsWith(call, kFirmwareShown) && call.size() > kFirmwareShown.size()) {
            ++handled_;
        } else if (startsWith(call, kImagePrefix)) {
            const std::size_t idEnd = call.find(' ', kImagePrefix.size());
            lastImage_[std::stoi(call.substr(kImagePrefix.size(), idEnd - kImagePrefix.size()))] = call.substr(idEnd + 1);
        }
    }
}

void InvariantChecker::beginStep(bool writesReachController) {
    followTrace();
    followWindow();
    accounting_ = writesReachController;
    refusedSinceGrant_ = 0;
    deferredOverflowed_ = false;
    atStepStart_ = {delivered_, flowsRun_, handled_, on_.dialog.deferredReports.size()};
}

void InvariantChecker::endStep(bool writesReachController) {
    followTrace();
    followWindow();
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
    const long deferredChange = static_cast<long>(on_.dialog.deferredReports.size()) -
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
    followWindow();
    ++checks_;
    const SwitchDialog& dialog = on_.dialog;
    const HubKind expectedKind = on_.sw.hub.form() == sim::SwitchHub::Form::TwoPort ? TwoPort : FourPort;
    if (dialog.controllerOpen != 1 || dialog.hubReady != 1 || dialog.pendingAction != 0 || dialog.hubKind != expectedKind ||
        dialog.hostIndex != static_cast<int>(host_) || !dialog.channel.isOpen())
        return false;
    const std::uint8_t inUse = portsInUse();
    const std::uint8_t here = on_.sw.firmware.portsOf(host_);
    if ((dialog.ownedMask & inUse) != (here & inUse)) return false;
    for (int port = 0; port < 4; ++port) {
        if ((inUse & (1u << port)) == 0) continue;
        const RowButtons& row = kRows[static_cast<std::size_t>(port)];
        const bool isHere = (here & (1u << port)) != 0;
        if (lastImage_[row.claim] != std::to_string(isHere ? row.lit : row.dim)) return false;
        if (lastImage_[row.release] != std::to_string(isHere ? row.dim : row.lit)) return false;
    }
    return true;
}

std::string InvariantChecker::describeState() {
    followWindow();
    const SwitchDialog& dialog = on_.dialog;
    std::string text = "open " + std::to_string(dialog.controllerOpen) + " hub " + std::to_string(dialog.hubReady) +
                       " kind " + std::to_string(dialog.hubKind) + " host " + std::to_string(dialog.hostIndex) +
                       " owned " + hexText(dialog.ownedMask) + " pending " + std::to_string(dialog.pendingAction) +
                       " keepAlive " + std::to_string(dialog.keepAliveCountdown) + " channel " +
                       (dialog.channel.isOpen() ? "open" : "closed") + "; switch gives this computer " +
                       hexText(on_.sw.firmware.portsOf(host_)) + "; images";
    for (const auto& image : lastImage_) text += " " + std::to_string(image.first) + ":" + image.second;
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
