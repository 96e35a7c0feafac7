#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/switch_dialog.h"
#include "controller/report_catalogue.h"
#include "fake_user_registry.h"
#include "message_queue_window.h"
#include "platform/byte_order.h"
#include "recording_trace.h"
#include "virtual_control.h"
#include "sim/simulated_switch.h"

namespace pivora::test {

// One computer's SwitchControl and window on a simulated switch, the other
// computer played by the model, the control's loop and the window's
// messages run in virtual time. Shared by the tests, the fuzz targets and
// the soak.
class ComputerOnSwitch {
public:
    static OsHandle mainWindow() { return RecordingWindow::handle(0x77); }

    explicit ComputerOnSwitch(sim::Host host = sim::Host::A)
        : host_(host),
          computer(sw.computer(host)),
          platform(computer.platform(trace)),
          windows(sw.clock),
          loop(sw.clock, platform),
          control(loop.control),
          dialog(loop, windows, userRegistry, u"C:\\Pivora\\pivora.exe") {
        windows.dispatcher = dispatchTo(dialog);
        // Windows tells every top-level window when the device tree changes.
        computer.usb.onTreeChanged = [this] {
            windows.postMessage(mainWindow(), win::kWmDeviceChange, win::kDbtDevNodesChanged, 0);
        };
    }

    void start() { dialog.initMainWindow(mainWindow()); }

    // A report as written by this computer: its name and the bytes its code defines.
    static std::string describe(const sim::WireReport& bytes) {
        char text[64];
        switch (bytes[1]) {
            case code::StorePortId:
                std::snprintf(text, sizeof text, "StorePortId %02X %04X %04X", bytes[2], readLe16(&bytes[3]),
                              readLe16(&bytes[5]));
                break;
            case code::ReadPortId:
            case code::ClaimPorts:
            case code::ReleaseGrant:
            case code::ReleaseDone:
                std::snprintf(text, sizeof text, "%s %02X", reportCodeName(bytes[1]), bytes[2]);
                break;
            default:
                std::snprintf(text, sizeof text, "%s", reportCodeName(bytes[1]));
                break;
        }
        return text;
    }

    // What this computer wrote to the controller from virtual time `since` on,
    // and when each write completed.
    std::vector<std::string> written(std::uint64_t since = 0) const {
        std::vector<std::string> found;
        for (const auto& report : sw.firmware.received())
            if (report.from == host_ && report.time >= since) found.push_back(describe(report.bytes));
        return found;
    }
    std::vector<std::uint64_t> writeTimes(std::uint64_t since = 0) const {
        std::vector<std::uint64_t> found;
        for (const auto& report : sw.firmware.received())
            if (report.from == host_ && report.time >= since) found.push_back(report.time);
        return found;
    }

    // The times the loop ran the tick of timer `id`.
    std::vector<std::uint64_t> ticksOf(int id) const {
        std::vector<std::uint64_t> times;
        for (const auto& item : loop.handled())
            if (item.command.kind == Command::Tick && item.command.value == id) times.push_back(item.time);
        return times;
    }
    // The commands the loop ran, ticks left out.
    std::vector<Command::Kind> commandsHandled() const {
        std::vector<Command::Kind> kinds;
        for (const auto& item : loop.handled())
            if (item.command.kind != Command::Tick) kinds.push_back(item.command.kind);
        return kinds;
    }

    std::uint64_t now() const { return sw.clock.now(); }

    // Runs the control and the window until virtual time `time`.
    void runUntil(std::uint64_t time) { loop.runUntil(time); }

    // Runs until `count` more ticks of either timer have been handled.
    void runTicks(int count) {
        auto ticks = [this] {
            return std::count_if(loop.handled().begin(), loop.handled().end(),
                                 [](const HandledCommand& item) { return item.command.kind == Command::Tick; });
        };
        const auto target = ticks() + count;
        while (ticks() < target) runUntil(now() + 1);
    }

    // How many times a TwoPort switch's panel was refreshed: each refresh
    // begins with this trace line.
    std::size_t panelRefreshes() const {
        return static_cast<std::size_t>(
            std::count_if(trace.lines().begin(), trace.lines().end(),
                          [](const auto& line) { return line.second.rfind("UploadUSBIDToHub=", 0) == 0; }));
    }

    // The panel as the control last published it.
    PanelState panel() const { return loop.panel(); }

    sim::Host host_;
    sim::SimulatedSwitch sw;
    sim::SimComputer& computer;
    RecordingTrace trace;
    Platform platform;
    MessageQueueWindow windows;
    FakeUserRegistry userRegistry;
    VirtualControl loop;
    SwitchControl& control;
    SwitchDialog dialog;
};

}  // namespace pivora::test
