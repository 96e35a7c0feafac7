#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/hid_device_api.h"
#include "sim/interface_entry.h"
#include "sim/host.h"
#include "sim/virtual_clock.h"

namespace pivora::sim {

class SwitchFirmware;

// The HID devices one computer sees, behind the same seam as the real ones.
// The device-interface walk over them goes through SimDeviceInterfaces,
// fed by interfaceEntries(). One device may be the switch controller, wired to the firmware model: what
// is written to it reaches the firmware when the write completes, and what the
// firmware sends this host completes a pending read (or waits in the handle's
// input buffer, as the HID class driver keeps it). Every acquire and release
// is counted so tests can prove nothing leaks.
class SimHidDevices : public HidDeviceApi {
public:
    // FailAtOnce: WriteFile refuses the write before the driver takes it,
    // leaving in the record the pending code kernel32 put there first.
    enum class WriteMode { Complete, NeverComplete, Fail, FailAtOnce };
    // How a cancelled read ends when it ends late (see setCancelLatency).
    enum class LateCancel { Cancelled, TakesReport };

    // What goes wrong with one device.
    enum class Fault { None, OpenFails, OverlappedOpenFails, AttributesFail, DetailFails };

    static constexpr std::size_t kInputBufferReports = 32;
    static const char* const kControllerPath;

    SimHidDevices(VirtualClock& clock, SwitchFirmware* firmware, Host host);
    ~SimHidDevices() override;
    SimHidDevices(const SimHidDevices&) = delete;
    SimHidDevices& operator=(const SimHidDevices&) = delete;

    // Population. Returns the device's index.
    int addDevice(const std::string& path, std::uint16_t vendorId, std::uint16_t productId);
    int addController(const std::string& path = kControllerPath);
    void setFault(int device, Fault fault);
    void unplug(int device);
    void plug(int device);
    bool present(int device) const { return devices_.at(static_cast<std::size_t>(device)).present; }

    // I/O behaviour of every device.
    void setWriteDelay(std::uint32_t ms) { writeDelayMs_ = ms; }
    void setWriteMode(WriteMode mode) { writeMode_ = mode; }
    // Reads complete at once with an error status while set (a read failure).
    void failReads(bool fails) { readsFail_ = fails; }
    // I/O cancelled by CancelIo, or by closing its handle, completes with
    // STATUS_CANCELLED this long afterwards instead of at once, and writes its
    // record then even if the handle has been closed meanwhile: the driver
    // finishes with the request when it gets to it, not when the handle goes.
    // Until then a cancelled read is still queued in the driver; with
    // TakesReport the next report reaching its open handle fills its buffer,
    // and it ends, at the same late moment, with that report.
    void setCancelLatency(std::uint32_t ms, LateCancel outcome = LateCancel::Cancelled) {
        cancelLatencyMs_ = ms;
        lateCancel_ = outcome;
    }

    // A report from the controller towards this computer.
    void deliverInput(const WireReport& report);

    // Observation.
    int handlesOpen() const { return static_cast<int>(handles_.size()); }
    int acquisitions() const { return acquisitions_; }
    int badReleases() const { return badReleases_; }
    // The most reads ever in flight on one handle at once, cancelled ones
    // that have not ended included.
    int maxReadsInFlight() const { return maxReadsInFlight_; }
    // Reads issued and not yet completed, cancelled ones included.
    int readsInFlight() const;
    // Cancelled I/O that wrote its record after its handle was closed.
    int completionsAfterClose() const { return completionsAfterClose_; }
    // Reads and writes issued on a record or into a buffer that an operation
    // still pending (cancelled ones included) was given: Windows would end
    // both into the same memory.
    int ioRecordsReusedWhilePending() const { return recordsReusedWhilePending_; }
    // Every CancelIo and CloseHandle on a handle it gave out, with the
    // virtual time it came: "CancelIo", "CloseHandle device" or
    // "CloseHandle event".
    struct HandleCall {
        std::uint64_t time;
        std::string call;
    };
    const std::vector<HandleCall>& handleCalls() const { return handleCalls_; }
    const std::vector<std::string>& overlappedOpens() const { return overlappedOpens_; }

    // The HID interfaces present now, for the computer's device sets.
    std::vector<InterfaceEntry> interfaceEntries() const;

    // HidDeviceApi
    OsHandle openDevice(const char* path, int overlapped) override;
    int getAttributes(OsHandle device, HidAttributesRecord* attributes) override;
    int readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override;
    int writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override;
    std::uint32_t lastError() override { return lastError_; }
    int cancelIo(OsHandle device) override;
    OsHandle createEvent() override;
    int closeHandle(OsHandle handle) override;

private:
    struct Device {
        std::string path;
        std::uint16_t vendorId;
        std::uint16_t productId;
        bool isController;
        bool present;
        Fault fault;
    };
    enum class Kind { File, Event };
    struct PendingIo {
        std::uint64_t id;
        IoRecord* record;
        std::uint8_t* buffer;  // reads only
        std::uint32_t length;
    };
    // A cancelled operation the driver has yet to end.
    struct CancelledIo {
        std::uintptr_t handleKey;
        PendingIo io;
        bool read;
        bool filled;
        WireReport report;
    };
    struct Handle {
        Kind kind;
        int device;  // files
        bool overlapped;
        std::deque<WireReport> input;
        std::vector<PendingIo> reads;
        std::vector<PendingIo> writes;
    };

    OsHandle acquire(Handle handle);
    Handle* find(OsHandle handle, Kind kind);
    // Marks the record pending; the handle, or nullptr when the I/O failed at once.
    Handle* startIo(OsHandle device, const std::uint8_t* buffer, IoRecord* record);
    static void complete(IoRecord* record, std::uint32_t status, std::uint32_t bytes);
    void completeRead(Handle& handle, const WireReport& report);
    void failPending(Handle& handle, std::uint32_t status);
    void cancelPending(std::uintptr_t key, Handle& handle);
    int readsInFlightOn(std::uintptr_t handleKey) const;
    bool lentToPendingIo(const void* memory) const;
    bool fillCancelledRead(std::uintptr_t handleKey, const WireReport& report);
    void endCancelled(std::uint64_t ioId);
    void finishWrite(std::uintptr_t handleKey, std::uint64_t writeId, const WireReport& bytes, std::uint32_t length);

    VirtualClock& clock_;
    SwitchFirmware* firmware_;
    Host host_;
    std::vector<Device> devices_;
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
    std::uint64_t nextIoId_ = 1;
    int acquisitions_ = 0;
    int badReleases_ = 0;
    int maxReadsInFlight_ = 0;
    // By I/O id, so oldest first.
    std::map<std::uint64_t, CancelledIo> cancelled_;
    int completionsAfterClose_ = 0;
    int recordsReusedWhilePending_ = 0;
    std::vector<HandleCall> handleCalls_;
    bool readsFail_ = false;
    std::uint32_t cancelLatencyMs_ = 0;
    LateCancel lateCancel_ = LateCancel::Cancelled;
    std::uint32_t lastError_ = 0;
    std::uint32_t writeDelayMs_ = 4;
    WriteMode writeMode_ = WriteMode::Complete;
    std::vector<std::string> overlappedOpens_;
};

}  // namespace pivora::sim
