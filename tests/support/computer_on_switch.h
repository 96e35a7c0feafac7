#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/switch_dialog.h"
#include "controller/report_catalogue.h"
#include "message_queue_window.h"
#include "platform/byte_order.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"

namespace pivora::test {

// One computer's SwitchDialog on a simulated switch, the other computer
// played by the model, its window's messages run by the queue model in
// virtual time. Shared by the tests, the fuzz targets and the soak.
class ComputerOnSwitch {
public:
    static OsHandle mainWindow() { return RecordingWindow::handle(0x77); }

    explicit ComputerOnSwitch(sim::Host host = sim::Host::A)
        : host_(host),
          computer(sw.computer(host)),
          platform(computer.platform(trace)),
          windows(sw.clock),
          dialog(platform, windows) {
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

    // The times the queue delivered WM_TIMER of `id`.
    std::vector<std::uint64_t> ticksOf(std::uintptr_t id) const {
        std::vector<std::uint64_t> times;
        for (const auto& message : windows.dispatched())
            if (message.message == win::kWmTimer && message.wParam == id) times.push_back(message.time);
        return times;
    }

    std::uint64_t now() const { return sw.clock.now(); }

    // Runs the queue until `count` more ticks of either timer have been handled.
    void runTicks(int count) {
        auto ticks = [this] {
            return std::count_if(windows.dispatched().begin(), windows.dispatched().end(),
                                 [](const DispatchedMessage& message) { return message.message == win::kWmTimer; });
        };
        const auto target = ticks() + count;
        while (ticks() < target) windows.runUntil(now() + 1);
    }

    sim::Host host_;
    sim::SimulatedSwitch sw;
    sim::SimComputer& computer;
    RecordingTrace trace;
    Platform platform;
    MessageQueueWindow windows;
    SwitchDialog dialog;
};

}  // namespace pivora::test
