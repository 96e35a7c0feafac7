#pragma once

#include <cstddef>
#include <cstdint>

namespace pivora {

// The only path between Pivora and the switch's controller, whatever the
// system: lists the HID devices present, opens the controller for report
// I/O, hands its reports to the control one per poll, lets the control put a
// report into its own receive path, and writes reports with the pacing the
// controller needs after each. Used only on the control's thread. Once a
// device is open a read always stays armed, so a report that arrives between
// two polls waits for the next; no call waits except `send` (its write and
// the pacing after it, on the control's clock) and `cancelPending` (its
// fixed waits). Every wait goes through the clock the channel was given.
class ReportChannel {
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

    virtual ~ReportChannel() = default;

    // Lists the HID devices present afresh, kMaxDevices at the most, and
    // answers how many. A device whose path does not fit kPathSize whole is
    // left out: cut short, it would open nothing, or another device.
    virtual int enumerateDevices() = 0;

    // Device `index` of the last listing: 1 with its path (kPathSize bytes,
    // terminated) and USB ID; 0, an empty path and zeros for an index not
    // listed. Any output may be null.
    virtual int getDevice(int index, char* path, std::uint16_t* vendorId, std::uint16_t* productId) const = 0;

    // The length of every report read and written: 1 when taken
    // (kMinReportLength to kMaxReportLength, and no device open); else 0 and
    // nothing changes.
    virtual int setReportLength(std::uint32_t length) = 0;

    // Opens the device at `path` for report I/O, closing the one open before,
    // and arms the read once a report length is set. 1 when it is open.
    virtual int open(const char* path) = 0;

    // Closes the device, if one is open, and forgets the reports waiting. 1.
    virtual int close() = 0;

    // The next report, oldest first, copied into `destination`
    // (kMaxReportLength bytes) and written to the diagnostic trace as
    // delivered: its length, or 0 when none waits. Re-arms the read.
    virtual int poll(std::uint8_t* destination) = 0;

    // The length of the report the next poll would deliver, or 0.
    virtual int pendingLength() const = 0;

    // Puts `report` in the receive path behind any report read already,
    // unless the same report waits there already. Ignored with no device
    // open, or when its length is 0 or over the report length.
    virtual void inject(const std::uint8_t* report, std::uint32_t length) = 0;

    // Writes `report` (the report length's bytes, `length` of them given),
    // writes it to the diagnostic trace, and waits the pacing its code
    // (byte 1) calls for once it is written: the bytes written, or 0 when no
    // device is open, the write failed, or it was not done within 2000 ms.
    virtual int send(const std::uint8_t* report, std::uint32_t length) = 0;

    // Cancels what is in flight and forgets the reports waiting: three
    // rounds of a cancel and 100 ms, then 100 ms more. Nothing without a
    // device open.
    virtual void cancelPending() = 0;

    virtual bool isOpen() const = 0;

    // The read side ended with an error (the controller unplugged, say):
    // nothing more comes through this open until the device is opened again.
    virtual bool readSideFailed() const = 0;

    virtual std::uint32_t getReportLength() const = 0;

    // Lists the devices and opens each controller found in turn, so that the
    // last one listed stays open: 1 when one is open. A controller listed but
    // not opened (busy for a moment) is tried again on the next call.
    int connectController();
};

}  // namespace pivora
