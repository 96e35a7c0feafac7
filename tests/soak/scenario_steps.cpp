#include <array>
#include <string>

#include "hex_text.h"
#include "scenario.h"
#include "ui/panel_view.h"
#include "ui/resource_ids.h"

namespace pivora::soak {

namespace {

using sim::Host;

constexpr std::uint32_t kRemovalVetoed = 0x17;  // CR_REMOVE_VETOED
constexpr int kMaxPrinters = 4;
constexpr std::array<std::uint8_t, 6> kControllerCodes = {code::InfoReply,     code::ReleaseRequest, code::StatusReply,
                                                           code::PortIdCleared, code::PortIdReply,    code::SignOff};
constexpr std::array<std::uint8_t, 3> kQueries = {code::InfoQuery, code::StatusQuery, code::ReadPortId};

}  // namespace

// Most steps let time run, so that the faults land in the middle of things.
void Scenario::step() {
    constexpr int kRunWeight = 100;
    const std::uint8_t choice = input_.u8();
    if (choice < kRunWeight) {
        runFor();
        return;
    }
    switch ((choice - kRunWeight) % 20) {
        case 0: rawReport(); break;
        case 1: otherComputerClaims(); break;
        case 2: clickArrow(); break;
        case 3: doubleTap(); break;
        case 4: lockKeys(); break;
        case 5: deviceChanges(); break;
        case 6: plugDevice(); break;
        case 7: unplugDevice(); break;
        case 8: refuseRemoval(); break;
        case 9: printer(); break;
        case 10: unplugController(); break;
        case 11: replugController(); break;
        case 12: writeFault(); break;
        case 13: readFault(); break;
        case 14: cancelLatency(); break;
        case 15: withholdReply(); break;
        case 16: powerEvent(); break;
        case 17: logoff(); break;
        case 18: refuseStores(); break;
        default: otherComputerClaims(); break;  // the other side's claims come twice as often
    }
}

template <typename Act>
void Scenario::nowOrLater(const std::string& what, bool troubles, Act act) {
    if (input_.flag()) {
        log(what);
        act();
        return;
    }
    const std::uint32_t delay = input_.u16() % 4000;
    log(what + " in " + std::to_string(delay) + " ms");
    if (troubles) ++troublesScheduled_;
    on_.sw.clock.schedule(delay, [this, troubles, act] {
        if (troubles) --troublesScheduled_;
        if (!faultsStopped_) act();
    });
}

// Most faults are over after a while: the end comes some seconds after the start.
std::uint32_t Scenario::faultDuration() { return 500 + input_.u16() % 8000; }

template <typename End>
void Scenario::endsLater(const std::string& what, std::uint32_t after, End end) {
    log(what + " in " + std::to_string(after) + " ms");
    on_.sw.clock.schedule(after, [this, end] {
        if (!faultsStopped_) end();
    });
}

void Scenario::post(const Command& command) { on_.loop.post(command); }

void Scenario::troubleStarts() { writeTrouble_ = true; }

bool Scenario::troubleSourcesGone() const {
    return !writesBroken_ && controllerPresent_ && !suspended_ && !logoffPending_ && troublesScheduled_ == 0;
}

bool Scenario::writesReachController() const { return !writeTrouble_ && troubleSourcesGone(); }

void Scenario::runFor() {
    const std::uint32_t ms = 20 + input_.u16() % 5000;
    log("run " + std::to_string(ms) + " ms");
    on_.runUntil(on_.now() + ms);
}

// Any code, any bytes, sent at once or a little later.
void Scenario::rawReport() {
    sim::WireReport report{};
    input_.fill(report.data(), report.size());
    const std::uint8_t pick = input_.u8();
    if (pick < 2 * kControllerCodes.size()) report[1] = kControllerCodes[pick % kControllerCodes.size()];
    const std::uint32_t delay = input_.u8() * 8u;
    std::string text;
    for (std::uint8_t byte : report) text += " " + hexText(byte);
    log("controller sends" + text + " in " + std::to_string(delay) + " ms");
    on_.sw.clock.schedule(delay, [this, report] {
        if (!faultsStopped_) on_.sw.firmware.sendRaw(setup_.host, report);
    });
}

// The other computer claims ports: the controller asks this one for them.
void Scenario::otherComputerClaims() {
    const auto ports = static_cast<std::uint8_t>(input_.u8() & 0x0F);
    nowOrLater("other computer claims " + hexText(ports), false, [this, ports] {
        const std::uint8_t claim[3] = {2, code::ClaimPorts, ports};
        on_.sw.firmware.receive(sim::otherHost(setup_.host), claim, sizeof claim);
    });
}

void Scenario::clickArrow() {
    const int button = IDC_CLAIM_ROW1 + input_.u8() % 8;
    log("click " + std::to_string(button));
    bool claims = false;
    int port = 0;
    if (PanelView::arrowOf(button, claims, port)) post(Command{claims ? Command::Claim : Command::Release, port});
}

void Scenario::doubleTap() {
    log("double tap");
    post(Command{Command::ToggleAll});
}

// Key events through the hook's double-tap rule.
void Scenario::lockKeys() {
    constexpr std::array<std::uint32_t, 4> kKeys = {LockKeyDoubleTap::kNumLock, LockKeyDoubleTap::kScrollLock,
                                                    LockKeyDoubleTap::kCapsLock, 0x41};
    std::string text;
    for (int press = 0; press < 2; ++press) {
        const std::uint32_t key = kKeys[input_.u8() % kKeys.size()];
        const std::uint32_t flags = input_.flag() ? LockKeyDoubleTap::kKeyReleased : 0;
        keyTime_ += 1 + input_.u16() % 1500;
        text += " " + hexText(key) + (flags != 0 ? "up" : "");
        if (lockKeys_.onKeyEvent(key, flags, keyTime_)) post(Command{Command::ToggleAll});
    }
    log("keys" + text);
}

void Scenario::deviceChanges() {
    const int count = 1 + input_.u8() % 12;
    // Which of Windows' device events it was: each reaches the control as
    // the same command. Still read, so that older inputs replay as before.
    (void)input_.u8();
    nowOrLater(std::to_string(count) + " device changes", false, [this, count] {
        for (int change = 0; change < count; ++change) post(Command{Command::DeviceChanged});
    });
}

// Every device gets a USB ID of its own, so a removal always finds it.
int Scenario::plugAt(int port) {
    const int made = devicesMade_++;
    const int device = on_.sw.hub.plugDevice(port, static_cast<std::uint16_t>(0x1000 + made),
                                             static_cast<std::uint16_t>(0x2000 + made),
                                             "Device " + std::to_string(made));
    // Windows tells the computer that sees it.
    if ((on_.sw.firmware.portsOf(setup_.host) & (1u << port)) != 0) on_.computer.usb.treeChanged();
    return device;
}

int Scenario::pickPluggedDevice() {
    const int count = on_.sw.hub.deviceCount();
    if (count == 0) return -1;
    const int device = static_cast<int>(input_.u8()) % count;
    return on_.sw.hub.device(device).port >= 0 ? device : -1;
}

void Scenario::plugDevice() {
    int port = input_.u8() % 4;
    if (!on_.sw.hub.isUserPort(port)) port += 2;
    const int device = plugAt(port);
    log("plug device " + std::to_string(device) + " on port " + std::to_string(port));
}

void Scenario::unplugDevice() {
    const int device = pickPluggedDevice();
    if (device < 0) return;
    const int port = on_.sw.hub.device(device).port;
    log("unplug device " + std::to_string(device) + " from port " + std::to_string(port));
    const bool seenHere = (on_.sw.firmware.portsOf(setup_.host) & (1u << port)) != 0;
    on_.sw.hub.unplugDevice(device);
    if (seenHere) on_.computer.usb.treeChanged();
}

void Scenario::refuseRemoval() {
    const int device = pickPluggedDevice();
    if (device < 0) return;
    auto& refusal = on_.sw.hub.device(device).refusal;
    if (refusal) {
        refusal.reset();
    } else {
        refusal = sim::RemovalRefusal{kRemovalVetoed, "", 0};
    }
    log(std::string("device ") + std::to_string(device) + (refusal ? " refuses removal" : " may be removed"));
}

// A local printer on a device of the switch, or new jobs for one.
void Scenario::printer() {
    const auto jobs = static_cast<std::uint32_t>(input_.u8() % 3);
    if (!printers_.empty() && (input_.flag() || static_cast<int>(printers_.size()) == kMaxPrinters)) {
        const PrinterOnSwitch& printer = printers_[input_.u8() % printers_.size()];
        on_.computer.spooler.printer(printer.spoolerIndex).jobsQueued = jobs;
        log("printer " + std::to_string(printer.spoolerIndex) + " has " + std::to_string(jobs) + " jobs");
        return;
    }
    const int device = pickPluggedDevice();
    if (device < 0) return;
    const sim::SwitchHub::Device& on = on_.sw.hub.device(device);
    const int index = on_.computer.installUsbPrinter("Printer " + std::to_string(printers_.size()), on.vendorId,
                                                     on.productId, jobs);
    printers_.push_back({on.vendorId, on.productId, index});
    log("printer " + std::to_string(index) + " on device " + std::to_string(device) + " with " +
        std::to_string(jobs) + " jobs");
}

int Scenario::controllerDevice() const {
    return setup_.host == Host::A ? on_.sw.controllerOnA : on_.sw.controllerOnB;
}

void Scenario::unplugController() {
    if (!controllerPresent_) {
        replugController();
        return;
    }
    troubleStarts();
    const std::uint32_t lasts = faultDuration();
    nowOrLater("controller unplugged", true, [this, lasts] {
        troubleStarts();
        controllerPresent_ = false;
        on_.computer.hid.unplug(controllerDevice());
        post(Command{Command::DeviceChanged});
        endsLater("controller plugged in", lasts, [this] { plugController(); });
    });
}

void Scenario::replugController() {
    nowOrLater("controller plugged in", false, [this] { plugController(); });
}

void Scenario::plugController() {
    controllerPresent_ = true;
    on_.computer.hid.plug(controllerDevice());
    post(Command{Command::DeviceChanged});
}

void Scenario::writeFault() {
    using Mode = sim::SimHidDevices::WriteMode;
    const std::uint8_t pick = input_.u8() % 6;
    constexpr std::array<const char*, 6> kNames = {"writes complete", "writes complete", "writes never complete",
                                                   "writes fail",     "writes fail at once", "writes time out"};
    const bool broken = pick >= 2;
    if (broken) troubleStarts();
    const std::uint32_t lasts = faultDuration();
    nowOrLater(kNames[pick], broken, [this, pick, broken, lasts] {
        static constexpr std::array<Mode, 6> kModes = {Mode::Complete, Mode::Complete,   Mode::NeverComplete,
                                                       Mode::Fail,     Mode::FailAtOnce, Mode::Complete};
        if (broken) troubleStarts();
        writesBroken_ = broken;
        on_.computer.hid.setWriteMode(kModes[pick]);
        on_.computer.hid.setWriteDelay(pick == 5 ? 2500 : 4);
        if (broken) endsLater("writes complete", lasts, [this] {
            writesBroken_ = false;
            on_.computer.hid.setWriteMode(Mode::Complete);
            on_.computer.hid.setWriteDelay(4);
        });
    });
}

void Scenario::readFault() {
    const bool fails = input_.flag();
    nowOrLater(fails ? "reads fail" : "reads work", false, [this, fails] { on_.computer.hid.failReads(fails); });
}

void Scenario::cancelLatency() {
    const std::uint32_t ms = (input_.u8() % 5) * 250u;
    const bool takesReport = input_.flag();
    log("cancelled I/O ends " + std::to_string(ms) + " ms late" + (takesReport ? ", with a report" : ""));
    on_.computer.hid.setCancelLatency(
        ms, takesReport ? sim::SimHidDevices::LateCancel::TakesReport : sim::SimHidDevices::LateCancel::Cancelled);
}

void Scenario::withholdReply() {
    const std::uint8_t request = kQueries[input_.u8() % kQueries.size()];
    const int count = 1 + input_.u8() % 3;
    log("no reply to the next " + std::to_string(count) + " " + reportCodeName(request));
    on_.sw.firmware.withholdReplies(request, count);
}

void Scenario::powerEvent() {
    if (suspended_ || input_.flag()) {
        nowOrLater("resume", false, [this] {
            suspended_ = false;
            post(Command{Command::Resume});
        });
        return;
    }
    troubleStarts();
    const std::uint32_t lasts = faultDuration();
    nowOrLater("suspend", true, [this, lasts] {
        troubleStarts();
        suspended_ = true;
        post(Command{Command::Suspend});
        endsLater("resume", lasts, [this] {
            suspended_ = false;
            post(Command{Command::Resume});
        });
    });
}

// The logoff query, and later the news that the session goes on.
void Scenario::logoff() {
    if (logoffPending_) {
        nowOrLater("logoff cancelled", false, [this] {
            logoffPending_ = false;
            post(Command{Command::EndSession, 0});
        });
        return;
    }
    troubleStarts();
    const std::uint32_t lasts = faultDuration();
    nowOrLater("logoff query", true, [this, lasts] {
        troubleStarts();
        logoffPending_ = true;
        post(Command{Command::QueryEndSession});
        endsLater("logoff cancelled", lasts, [this] {
            logoffPending_ = false;
            post(Command{Command::EndSession, 0});
        });
    });
}

void Scenario::refuseStores() {
    const bool refuses = input_.flag();
    log(refuses ? "registry refuses stores" : "registry takes stores");
    on_.sw.firmware.refuseStores(refuses);
}

}  // namespace pivora::soak
