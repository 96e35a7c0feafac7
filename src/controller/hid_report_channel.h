#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/device_interface_api.h"
#include "platform/diagnostic_trace.h"
#include "platform/hid_device_api.h"

namespace pivora {

// The only path between Pivora and the switch controller: lists the HID
// devices, opens the controller for overlapped I/O, hands its reports to the
// caller one per poll, lets the caller inject a report into its own receive
// path, and writes reports with a fixed pacing after each one. Used only on the
// control's thread; a read always stays armed in the background and is found
// completed by testing its record's status words.
class HidReportChannel {
public:
    static constexpr int kMaxDevices = 32;
    static constexpr std::size_t kPathSize = 256;
    static constexpr std::uint16_t kControllerVendorId = 0x04B4;
    static constexpr std::uint16_t kControllerProductId = 0x120D;
    // A report is at least its report number and its code.
    static constexpr std::uint32_t kMinReportLength = 2;
    static constexpr std::uint32_t kMaxReportLength = 64;
    // Different reports waiting for a poll; far more than one tick can make.
    static constexpr std::size_t kMaxWaitingReports = 16;

    struct UsbId {
        std::uint16_t vendorId;
        std::uint16_t productId;
    };

    HidReportChannel(DeviceInterfaceApi& interfaces, HidDeviceApi& hid, Clock& clock, DiagnosticTrace& trace);
    // Cancels and closes, then waits, 3 s at most, for the operating system to
    // finish with the records and buffers it was lent.
    ~HidReportChannel();
    HidReportChannel(const HidReportChannel&) = delete;
    HidReportChannel& operator=(const HidReportChannel&) = delete;

    int enumerateDevices();
    int getDevice(int index, char* path, std::uint16_t* vendorId, std::uint16_t* productId) const;
    // 1 when it took the length (kMinReportLength..kMaxReportLength, and no
    // device open), else 0 and nothing changes.
    int setReportLength(std::uint32_t length);
    int open(const char* path);
    int close();
    int poll(std::uint8_t* destination);
    int pendingLength() const;
    void inject(const std::uint8_t* report, std::uint32_t length);
    int send(const std::uint8_t* report, std::uint32_t length);
    void cancelPending();
    int connectController();

    bool isOpen() const { return deviceHandle != nullptr; }
    // The last read completed with an error (the controller unplugged, say):
    // nothing more comes through this handle until it is opened again.
    bool readSideFailed() const;
    std::uint32_t getReportLength() const { return reportLength; }

private:
    struct WaitingReport {
        std::array<std::uint8_t, kMaxReportLength> bytes;
        std::uint32_t length;
    };
    class IoSlot;
    struct Direction;

    bool readyForIo() const { return deviceHandle != nullptr && reportLength != 0; }
    void queueWaiting(const std::uint8_t* report, std::uint32_t length);
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
    // Reports waiting for a poll, oldest first: injected ones, and a completed
    // read moved aside when a report is injected after it. A report equal to
    // one already waiting is not queued again.
    std::deque<WaitingReport> waiting;
};

}  // namespace pivora
