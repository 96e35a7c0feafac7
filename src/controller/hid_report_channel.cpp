#include "controller/hid_report_channel.h"

#include <algorithm>
#include <cstring>

#include "controller/report_catalogue.h"
#include "platform/interface_path.h"

namespace pivora {

namespace {

constexpr std::uint32_t kSendLimitMs = 2000;
constexpr std::uint32_t kSendStepMs = 10;
constexpr std::uint32_t kCancelStepMs = 100;
constexpr int kCancelRounds = 3;
constexpr std::uint32_t kRetiredWaitMs = 3000;
constexpr std::uint32_t kRetiredStepMs = 10;

}  // namespace

// One direction of an open: the record the operating system ends its
// operation in, and the buffer it fills (a read) or takes the bytes from (a
// write).
struct HidReportChannel::Direction {
    IoRecord record{};
    std::array<std::uint8_t, kMaxReportLength> buffer{};
    // The platform took the last operation issued here: until the record holds
    // its final status, the record and the buffer are the platform's.
    bool lent = false;
    // The last operation was cancelled: what it ends with is neither a report,
    // nor a write done, nor a failure, and is dropped once it has ended.
    bool cancelled = false;

    bool ended() const {
        const std::uintptr_t status = record.internal;
        return !lent || (status != kIssuing && static_cast<std::uint32_t>(status) != kStatusPending);
    }

    // Forgets a cancelled operation that has ended: the direction is idle again.
    void settle() {
        if (!cancelled || !ended()) return;
        record.internal = 0;
        record.internalHigh = 0;
        cancelled = false;
    }
};

// What one open lends the operating system: both directions, with the events
// their records carry. It is never moved, and never freed before both its
// operations have ended.
class HidReportChannel::IoSlot {
public:
    explicit IoSlot(HidDeviceApi& hid) : hid_(hid) {
        read.record.event = hid_.createEvent();
        write.record.event = hid_.createEvent();
    }
    ~IoSlot() {
        for (OsHandle event : {read.record.event, write.record.event})
            if (event != nullptr) hid_.closeHandle(event);
    }
    IoSlot(const IoSlot&) = delete;
    IoSlot& operator=(const IoSlot&) = delete;

    bool ended() const { return read.ended() && write.ended(); }

    Direction read;
    Direction write;

private:
    HidDeviceApi& hid_;
};

HidReportChannel::HidReportChannel(DeviceInterfaceApi& interfaces, HidDeviceApi& hid, Clock& clock,
                                   DiagnosticTrace& trace)
    : interfaces_(interfaces), hid_(hid), clock_(clock), trace_(trace) {}

HidReportChannel::~HidReportChannel() {
    HidReportChannel::cancelPending();
    HidReportChannel::close();
    // Windows makes a pending OVERLAPPED safe to free only by ending it;
    // CancelIo and CloseHandle merely ask the driver to. The channel goes at
    // exit, where waiting a while for a slow driver costs nothing.
    for (std::uint32_t waited = 0; !retiredSlots.empty() && waited < kRetiredWaitMs; waited += kRetiredStepMs) {
        clock_.sleep(kRetiredStepMs);
        releaseEndedSlots();
    }
    // What a driver still holds after that stays its own: memory it may write
    // never goes back to the heap; the end of the process reclaims it.
    for (std::unique_ptr<IoSlot>& held : retiredSlots) static_cast<void>(held.release());
}

int HidReportChannel::enumerateDevices() {
    deviceCount = 0;
    ScopedInterfaceSet set =
        openInterfaceSet(interfaces_, DeviceInterfaceClass::Hid, kDigcfPresent | kDigcfDeviceInterface);
    if (!set) return 0;

    for (std::uint32_t index = 0;; ++index) {
        DeviceInterfaceRecord iface{};
        iface.cbSize = sizeof(iface);
        if (!interfaces_.enumInterface(set.get(), DeviceInterfaceClass::Hid, index, &iface)) break;

        InterfacePath path;
        const InterfacePath::Outcome outcome = path.read(interfaces_, set.get(), iface, kPathSize - 1);
        if (outcome == InterfacePath::Outcome::Failed) break;
        // A path that does not fit a slot whole is not listed: cut short, it
        // would open nothing, or another device.
        if (outcome == InterfacePath::Outcome::TooLong) continue;

        auto closeDevice = [this](OsHandle handle) { hid_.closeHandle(handle); };
        ScopedOsHandle device(hid_.openDevice(path.text(), 0), closeDevice);
        if (!device) continue;

        HidAttributesRecord attributes{};
        attributes.size = sizeof(attributes);
        const int attributesRead = hid_.getAttributes(device.get(), &attributes);
        if (deviceCount < kMaxDevices) {
            auto& slot = devicePaths.at(static_cast<std::size_t>(deviceCount));
            slot.fill('\0');
            std::memcpy(slot.data(), path.text(), path.length());
            deviceIds.at(static_cast<std::size_t>(deviceCount)) = {attributes.vendorId, attributes.productId};
            ++deviceCount;
        }
        // A device whose attributes cannot be read ends the walk; it stays listed.
        if (!attributesRead) break;
    }
    return deviceCount;
}

int HidReportChannel::getDevice(int index, char* path, std::uint16_t* vendorId, std::uint16_t* productId) const {
    if (path != nullptr) std::memset(path, 0, kPathSize);
    if (vendorId != nullptr) *vendorId = 0;
    if (productId != nullptr) *productId = 0;
    if (index < 0 || index >= deviceCount) return 0;
    const auto slot = static_cast<std::size_t>(index);
    if (path != nullptr) std::memcpy(path, devicePaths.at(slot).data(), kPathSize);
    if (vendorId != nullptr) *vendorId = deviceIds.at(slot).vendorId;
    if (productId != nullptr) *productId = deviceIds.at(slot).productId;
    return 1;
}

int HidReportChannel::setReportLength(std::uint32_t length) {
    // Never under an open device, whose reads and writes in flight have this
    // length, and never a length a report cannot have (send paces by the code
    // at byte 1).
    if (length < kMinReportLength || length > kMaxReportLength || deviceHandle != nullptr) return 0;
    reportLength = length;
    return 1;
}

int HidReportChannel::open(const char* path) {
    if (deviceHandle != nullptr) {
        cancelPending();
        close();
    }
    deviceHandle = hid_.openDevice(path, 1);
    // Every open gets records and buffers of its own: the driver may still
    // end the old handle's cancelled operations into theirs.
    retireSlot();
    ioSlot = std::make_unique<IoSlot>(hid_);
    if (readyForIo()) armRead();
    return deviceHandle != nullptr ? 1 : 0;
}

int HidReportChannel::close() {
    if (deviceHandle != nullptr) {
        hid_.cancelIo(deviceHandle);
        hid_.closeHandle(deviceHandle);
        deviceHandle = nullptr;
    }
    retireSlot();
    waiting.clear();  // nothing is delivered from a closed device
    return 1;
}

void HidReportChannel::retireSlot() {
    if (ioSlot != nullptr) retiredSlots.push_back(std::move(ioSlot));
    releaseEndedSlots();
}

void HidReportChannel::releaseEndedSlots() {
    const auto ended = [](const std::unique_ptr<IoSlot>& old) { return old->ended(); };
    retiredSlots.erase(std::remove_if(retiredSlots.begin(), retiredSlots.end(), ended), retiredSlots.end());
}

void HidReportChannel::issued(Direction& direction, int result) {
    // Only an operation the platform took ends into its record later.
    direction.lent = result == 0 && hid_.lastError() == kErrorIoPending;
    if (result == 0 && !direction.lent) {
        // Refused at once (the device gone, say): the record would keep the
        // pending code for good and the direction look busy forever. It is
        // failed, as one that ended with an error, so the control tick
        // connects again and sends give up at once.
        direction.record.internalHigh = 0;
        direction.record.internal = kStatusUnsuccessful;
    }
}

void HidReportChannel::armRead() {
    Direction& read = ioSlot->read;
    read.record.internal = kIssuing;
    issued(read, hid_.readReport(deviceHandle, read.buffer.data(), reportLength, &read.record));
}

void HidReportChannel::deliver(const std::uint8_t* report, std::uint32_t length, std::uint8_t* destination) {
    std::memcpy(destination, report, length);
    trace_.report(TraceChannel::ReportsDelivered, destination, length);
}

int HidReportChannel::poll(std::uint8_t* destination) {
    releaseEndedSlots();
    if (!readyForIo()) return 0;
    Direction& read = ioSlot->read;
    read.settle();
    int result = 0;
    if (!waiting.empty()) {
        // Waiting reports arrived before anything the read side holds now.
        const std::uint32_t length = waiting.pop(destination);
        trace_.report(TraceChannel::ReportsDelivered, destination, length);
        result = static_cast<int>(length);
    } else {
        if (read.cancelled || read.record.internal != 0) return 0;
        const std::uintptr_t completed = read.record.internalHigh;
        if (completed > 0) {
            const auto length = static_cast<std::uint32_t>(completed < reportLength ? completed : reportLength);
            deliver(read.buffer.data(), length, destination);
            result = static_cast<int>(length);
            read.record.internal = 0;
            read.record.internalHigh = 0;
        }
    }
    if (!read.cancelled && read.record.internal == 0 && read.record.internalHigh == 0) armRead();
    return result;
}

int HidReportChannel::pendingLength() const {
    if (!readyForIo()) return 0;
    if (!waiting.empty()) return static_cast<int>(waiting.frontLength());
    const Direction& read = ioSlot->read;
    if (read.cancelled || read.record.internal != 0) return 0;
    const std::uintptr_t completed = read.record.internalHigh;
    return static_cast<int>(completed < reportLength ? completed : reportLength);
}

void HidReportChannel::collectCompletedRead() {
    Direction& read = ioSlot->read;
    if (read.cancelled || read.record.internal != 0) return;
    const std::uintptr_t completed = read.record.internalHigh;
    if (completed == 0) return;
    waiting.push(read.buffer.data(), static_cast<std::uint32_t>(completed < reportLength ? completed : reportLength));
    read.record.internalHigh = 0;
}

void HidReportChannel::inject(const std::uint8_t* report, std::uint32_t length) {
    if (!readyForIo() || report == nullptr || length == 0 || length > reportLength) return;
    // A read that completed before this report keeps its place ahead of it;
    // a read still in flight stays armed and is delivered after it.
    collectCompletedRead();
    waiting.push(report, length);
}

int HidReportChannel::send(const std::uint8_t* report, std::uint32_t length) {
    if (!readyForIo() || report == nullptr || length == 0 || length > reportLength) return 0;
    Direction& write = ioSlot->write;
    std::uint32_t start = clock_.tickCount();
    bool written = false;
    for (;;) {
        // A cancelled write is waited for like one in flight, then forgotten.
        write.settle();
        const bool ours = !write.cancelled;
        const std::uintptr_t status = write.record.internal;
        const std::uintptr_t count = write.record.internalHigh;
        if (ours && status == 0 && count > 0) {
            write.record.internalHigh = 0;
            clock_.sleep(pacingAfterMs(write.buffer[1]));
            // A write left over from an earlier, timed-out send is accounted
            // for and paced by its own code; this call still owes its report.
            if (written) return static_cast<int>(count);
            continue;
        }
        if (ours && status == 0) {
            // Our own write finished without moving a byte: a failure, not a retry.
            if (written) return 0;
            std::memcpy(write.buffer.data(), report, length);
            write.record.internal = kIssuing;
            issued(write, hid_.writeReport(deviceHandle, write.buffer.data(), reportLength, &write.record));
            trace_.report(TraceChannel::ReportsWritten, write.buffer.data(), reportLength);
            written = true;
            start = clock_.tickCount();  // our report gets its own full limit
        } else {
            clock_.sleep(kSendStepMs);
        }
        const bool failed = !write.cancelled && isErrorStatus(write.record.internal);
        if (failed || clock_.tickCount() - start > kSendLimitMs) return 0;
    }
}

void HidReportChannel::cancelPending() {
    if (deviceHandle == nullptr) return;
    for (int round = 0; round < kCancelRounds; ++round) {
        hid_.cancelIo(deviceHandle);
        clock_.sleep(kCancelStepMs);
    }
    // A driver may end a cancelled operation long after CancelIo: until it
    // has, its record is left alone, and whatever it ends with is dropped.
    for (Direction* direction : {&ioSlot->read, &ioSlot->write}) {
        direction->cancelled = true;
        direction->settle();
    }
    waiting.clear();
    clock_.sleep(kCancelStepMs);
}

bool HidReportChannel::readSideFailed() const {
    return deviceHandle != nullptr && !ioSlot->read.cancelled && isErrorStatus(ioSlot->read.record.internal);
}

}  // namespace pivora
