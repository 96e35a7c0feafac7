#include "controller/hid_report_channel.h"

#include <cstring>

#include "controller/report_catalogue.h"
#include "platform/interface_path.h"

namespace pivora {

namespace {

constexpr std::uint32_t kSendLimitMs = 2000;
constexpr std::uint32_t kSendStepMs = 10;
constexpr std::uint32_t kCancelStepMs = 100;
constexpr int kCancelRounds = 3;

}  // namespace

HidReportChannel::HidReportChannel(DeviceInterfaceApi& interfaces, HidDeviceApi& hid, Clock& clock,
                                   DiagnosticTrace& trace)
    : interfaces_(interfaces), hid_(hid), clock_(clock), trace_(trace) {}

HidReportChannel::~HidReportChannel() {
    cancelPending();
    close();
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
            auto& slot = devicePaths[static_cast<std::size_t>(deviceCount)];
            slot.fill('\0');
            std::memcpy(slot.data(), path.text(), path.length());
            deviceIds[static_cast<std::size_t>(deviceCount)] = {attributes.vendorId, attributes.productId};
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
    if (path != nullptr) std::memcpy(path, devicePaths[slot].data(), kPathSize);
    if (vendorId != nullptr) *vendorId = deviceIds[slot].vendorId;
    if (productId != nullptr) *productId = deviceIds[slot].productId;
    return 1;
}

int HidReportChannel::setReportLength(std::uint32_t length) {
    // The OS reads and writes these buffers asynchronously: never swap them
    // under an open device, and never take a length a report cannot have
    // (send paces by the code at byte 1).
    if (length < kMinReportLength || length > kMaxReportLength || deviceHandle != nullptr) return 0;
    reportLength = length;
    receiveBuffer.assign(length, 0);
    sendBuffer.assign(length, 0);
    return 1;
}

void HidReportChannel::closeEvent(OsHandle& event) {
    if (event != nullptr) hid_.closeHandle(event);
    event = nullptr;
}

int HidReportChannel::open(const char* path) {
    if (deviceHandle != nullptr) {
        cancelPending();
        close();
    }
    deviceHandle = hid_.openDevice(path, 1);
    closeEvent(readState.event);
    closeEvent(writeState.event);
    readState.event = hid_.createEvent();
    writeState.event = hid_.createEvent();
    // Nothing is in flight on a new handle. Whatever the records hold is the
    // old handle's: a cancelled read the driver finished after the close, say.
    readState.internal = 0;
    readState.internalHigh = 0;
    writeState.internal = 0;
    writeState.internalHigh = 0;
    poll(receiveBuffer.data());  // arms the first read
    return deviceHandle != nullptr ? 1 : 0;
}

int HidReportChannel::close() {
    if (deviceHandle != nullptr) {
        hid_.cancelIo(deviceHandle);
        hid_.closeHandle(deviceHandle);
        deviceHandle = nullptr;
    }
    closeEvent(readState.event);
    closeEvent(writeState.event);
    waiting.clear();  // nothing is delivered from a closed device
    return 1;
}

void HidReportChannel::armRead() {
    readState.internal = 1;
    hid_.readReport(deviceHandle, receiveBuffer.data(), reportLength, &readState);
}

void HidReportChannel::deliver(const std::uint8_t* report, std::uint32_t length, std::uint8_t* destination) {
    // memmove: open() polls with receiveBuffer itself as the destination.
    std::memmove(destination, report, length);
    trace_.report(TraceChannel::ReportsDelivered, destination, length);
}

int HidReportChannel::poll(std::uint8_t* destination) {
    if (!readyForIo()) return 0;
    int result = 0;
    if (!waiting.empty()) {
        // Waiting reports arrived before anything the read side holds now.
        const WaitingReport& next = waiting.front();
        deliver(next.bytes.data(), next.length, destination);
        result = static_cast<int>(next.length);
        waiting.pop_front();
    } else {
        if (readState.internal != 0) return 0;
        const std::uintptr_t completed = readState.internalHigh;
        if (completed > 0) {
            const auto length = static_cast<std::uint32_t>(completed < reportLength ? completed : reportLength);
            deliver(receiveBuffer.data(), length, destination);
            result = static_cast<int>(length);
            readState.internal = 0;
            readState.internalHigh = 0;
        }
    }
    if (readState.internal == 0 && readState.internalHigh == 0) armRead();
    return result;
}

int HidReportChannel::pendingLength() const {
    if (!readyForIo()) return 0;
    if (!waiting.empty()) return static_cast<int>(waiting.front().length);
    if (readState.internal != 0) return 0;
    const std::uintptr_t completed = readState.internalHigh;
    return static_cast<int>(completed < reportLength ? completed : reportLength);
}

void HidReportChannel::queueWaiting(const std::uint8_t* report, std::uint32_t length) {
    // The same report twice asks for nothing more than once (a release
    // clicked again before the tick took the first).
    for (const WaitingReport& entry : waiting)
        if (entry.length == length && std::memcmp(entry.bytes.data(), report, length) == 0) return;
    if (waiting.size() >= kMaxWaitingReports) {
        trace_.line(TraceChannel::Text, "HidReportChannel: receive queue full, report dropped\r\n");
        return;
    }
    WaitingReport entry{};
    std::memcpy(entry.bytes.data(), report, length);
    entry.length = length;
    waiting.push_back(entry);
}

void HidReportChannel::collectCompletedRead() {
    if (readState.internal != 0) return;
    const std::uintptr_t completed = readState.internalHigh;
    if (completed == 0) return;
    queueWaiting(receiveBuffer.data(), static_cast<std::uint32_t>(completed < reportLength ? completed : reportLength));
    readState.internalHigh = 0;
}

void HidReportChannel::inject(const std::uint8_t* report, std::uint32_t length) {
    if (!readyForIo() || report == nullptr || length == 0 || length > reportLength) return;
    // A read that completed before this report keeps its place ahead of it;
    // a read still in flight stays armed and is delivered after it.
    collectCompletedRead();
    queueWaiting(report, length);
}

int HidReportChannel::send(const std::uint8_t* report, std::uint32_t length) {
    if (!readyForIo() || report == nullptr || length == 0 || length > reportLength) return 0;
    std::uint32_t start = clock_.tickCount();
    bool written = false;
    for (;;) {
        const std::uintptr_t status = writeState.internal;
        const std::uintptr_t count = writeState.internalHigh;
        if (status == 0 && count > 0) {
            writeState.internalHigh = 0;
            clock_.sleep(pacingAfterMs(sendBuffer[1]));
            // A write left over from an earlier, timed-out send is accounted
            // for and paced by its own code; this call still owes its report.
            if (written) return static_cast<int>(count);
            continue;
        }
        if (status == 0) {
            // Our own write finished without moving a byte: a failure, not a retry.
            if (written) return 0;
            std::memcpy(sendBuffer.data(), report, length);
            writeState.internal = 1;
            hid_.writeReport(deviceHandle, sendBuffer.data(), reportLength, &writeState);
            trace_.report(TraceChannel::ReportsWritten, sendBuffer.data(), reportLength);
            written = true;
            start = clock_.tickCount();  // our report gets its own full limit
        } else {
            clock_.sleep(kSendStepMs);
        }
        if (isErrorStatus(writeState.internal) || clock_.tickCount() - start > kSendLimitMs) return 0;
    }
}

void HidReportChannel::cancelPending() {
    if (deviceHandle == nullptr) return;
    for (int round = 0; round < kCancelRounds; ++round) {
        hid_.cancelIo(deviceHandle);
        clock_.sleep(kCancelStepMs);
    }
    readState.internal = 0;
    readState.internalHigh = 0;
    writeState.internal = 0;
    writeState.internalHigh = 0;
    waiting.clear();
    clock_.sleep(kCancelStepMs);
}

int HidReportChannel::connectController() {
    enumerateDevices();
    int found = 0;
    for (int index = 0; index < deviceCount; ++index) {
        char path[kPathSize];
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        getDevice(index, path, &vendorId, &productId);
        if (vendorId == kControllerVendorId && productId == kControllerProductId) {
            // Every match is opened in turn, so the last one listed stays open.
            open(path);
            found = 1;
        }
    }
    // Listed is not enough: a controller that could not be opened (busy for a
    // moment, its driver still starting) is tried again on the next tick.
    return found && deviceHandle != nullptr ? 1 : 0;
}

bool HidReportChannel::readSideFailed() const {
    return deviceHandle != nullptr && isErrorStatus(readState.internal);
}

}  // namespace pivora
