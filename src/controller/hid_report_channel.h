#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "controller/report_channel.h"
#include "controller/waiting_reports.h"
#include "platform/clock.h"
#include "platform/device_interface_api.h"
#include "platform/diagnostic_trace.h"
#include "platform/hid_device_api.h"

namespace pivora {

// The controller channel over Windows' HID calls: the devices listed
// through SetupAPI, the controller opened for overlapped I/O, a read always
// armed in the background and found completed by testing its record's
// status words.
class HidReportChannel : public ReportChannel {
public:
    struct UsbId {
        std::uint16_t vendorId;
        std::uint16_t productId;
    };

    HidReportChannel(DeviceInterfaceApi& interfaces, HidDeviceApi& hid, Clock& clock, DiagnosticTrace& trace);
    // Cancels and closes, then waits, 3 s at most, for the operating system to
    // finish with the records and buffers it was lent.
    ~HidReportChannel() override;
    HidReportChannel(const HidReportChannel&) = delete;
    HidReportChannel& operator=(const HidReportChannel&) = delete;

    int enumerateDevices() override;
    int getDevice(int index, char* path, std::uint16_t* vendorId, std::uint16_t* productId) const override;
    int setReportLength(std::uint32_t length) override;
    int open(const char* path) override;
    int close() override;
    int poll(std::uint8_t* destination) override;
    int pendingLength() const override;
    void inject(const std::uint8_t* report, std::uint32_t length) override;
    int send(const std::uint8_t* report, std::uint32_t length) override;
    void cancelPending() override;

    bool isOpen() const override { return deviceHandle != nullptr; }
    bool readSideFailed() const override;
    std::uint32_t getReportLength() const override { return reportLength; }

private:
    class IoSlot;
    struct Direction;

    bool readyForIo() const { return deviceHandle != nullptr && reportLength != 0; }
    void collectCompletedRead();
    void deliver(const std::uint8_t* report, std::uint32_t length, std::uint8_t* destination);
    void armRead();
    void issued(Direction& direction, int result);
    void retireSlot();
    void releaseEndedSlots();

    DeviceInterfaceApi& interfaces_;
    HidDeviceApi& hid_;
    Clock& clock_;
    DiagnosticTrace& trace_;

    int deviceCount = 0;
    std::array<std::array<char, kPathSize>, kMaxDevices> devicePaths{};
    std::array<UsbId, kMaxDevices> deviceIds{};
    std::uint32_t reportLength = 0;
    OsHandle deviceHandle = nullptr;
    // The records and buffers of the current open, lent to the operating
    // system; null before the first open and after a close.
    std::unique_ptr<IoSlot> ioSlot;
    // Slots of closed handles that the operating system may still write: a
    // cancelled operation ends when the driver gets to it, which may be after
    // the handle is closed and another opened. Each is freed once both its
    // operations have ended.
    std::vector<std::unique_ptr<IoSlot>> retiredSlots;
    // Reports waiting for a poll: injected ones, and a completed read moved
    // aside when a report is injected after it.
    WaitingReports waiting{trace_, "HidReportChannel: receive queue full, report dropped\r\n"};
};

}  // namespace pivora
