#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "link_fixture.h"
#include "platform/hid_device_api.h"
#include "sim/host.h"
#include "sim/sim_hid_devices.h"

namespace pivora::test {

// The switch's controller driven through the HID seam alone, with no pacing:
// one overlapped read or write at a time, each awaited. Its records and
// buffers stay until the platform has ended every operation on them.
class RawController {
public:
    explicit RawController(HidDeviceApi& hid)
        : hid_(hid), device_(hid.openDevice(sim::SimHidDevices::kControllerPath, 1)) {}
    ~RawController() {
        if (device_ != nullptr) hid_.closeHandle(device_);
        EXPECT_TRUE(eventually([this] { return ended(readRecord_) && ended(writeRecord_); }));
    }
    RawController(const RawController&) = delete;
    RawController& operator=(const RawController&) = delete;

    bool open() const { return device_ != nullptr; }

    // The report written whole.
    bool write(const sim::WireReport& report) {
        writeBuffer_ = report;
        if (!start(hid_.writeReport(device_, writeBuffer_.data(), 8, &writeRecord_))) return false;
        return eventually([this] { return ended(writeRecord_); }) && writeRecord_.internal == 0 &&
               writeRecord_.internalHigh == 8;
    }

    // The next report the controller sends this host.
    std::optional<sim::WireReport> read() {
        readBuffer_.fill(0xEE);
        if (!start(hid_.readReport(device_, readBuffer_.data(), 8, &readRecord_))) return std::nullopt;
        if (!eventually([this] { return ended(readRecord_); }) || readRecord_.internal != 0 ||
            readRecord_.internalHigh != 8)
            return std::nullopt;
        return readBuffer_;
    }

private:
    static bool ended(const IoRecord& record) {
        return static_cast<std::uint32_t>(record.internal) != kStatusPending;
    }
    // Completed at once, or taken by the platform.
    bool start(int result) { return result == 1 || hid_.lastError() == kErrorIoPending; }

    HidDeviceApi& hid_;
    OsHandle device_;
    IoRecord readRecord_{};
    IoRecord writeRecord_{};
    sim::WireReport readBuffer_{};
    sim::WireReport writeBuffer_{};
};

}  // namespace pivora::test
