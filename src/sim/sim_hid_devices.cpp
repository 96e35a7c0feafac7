#include "sim/sim_hid_devices.h"

#include <algorithm>
#include <cstring>

#include "sim/switch_firmware.h"

namespace pivora::sim {

namespace {
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
constexpr std::uint16_t kControllerVendorId = 0x04B4;
constexpr std::uint16_t kControllerProductId = 0x120D;
// Each HID device is a device instance of its own.
constexpr std::uint32_t kFirstDevInst = 0x800;

std::uintptr_t keyOf(OsHandle handle) { return reinterpret_cast<std::uintptr_t>(handle); }
}  // namespace

const char* const SimHidDevices::kControllerPath =
    "\\\\?\\hid#vid_04b4&pid_120d#7&2a1c9f3e&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

SimHidDevices::SimHidDevices(VirtualClock& clock, SwitchFirmware* firmware, Host host)
    : clock_(clock), firmware_(firmware), host_(host) {}

SimHidDevices::~SimHidDevices() = default;

int SimHidDevices::addDevice(const std::string& path, std::uint16_t vendorId, std::uint16_t productId) {
    devices_.push_back({path, vendorId, productId, false, true, Fault::None});
    return static_cast<int>(devices_.size()) - 1;
}

int SimHidDevices::addController(const std::string& path) {
    const int index = addDevice(path, kControllerVendorId, kControllerProductId);
    devices_[static_cast<std::size_t>(index)].isController = firmware_ != nullptr;
    return index;
}

void SimHidDevices::setFault(int device, Fault fault) { devices_.at(static_cast<std::size_t>(device)).fault = fault; }

void SimHidDevices::unplug(int device) {
    devices_.at(static_cast<std::size_t>(device)).present = false;
    for (auto& entry : handles_) {
        Handle& handle = entry.second;
        if (handle.kind != Kind::File || handle.device != device) continue;
        handle.input.clear();
        failPending(handle, kStatusDeviceNotConnected);
    }
}

void SimHidDevices::plug(int device) { devices_.at(static_cast<std::size_t>(device)).present = true; }

int SimHidDevices::readsInFlight() const {
    int reads = 0;
    for (const auto& entry : cancelled_) reads += entry.second.read ? 1 : 0;
    for (const auto& entry : handles_) reads += static_cast<int>(entry.second.reads.size());
    return reads;
}

int SimHidDevices::readsInFlightOn(std::uintptr_t handleKey) const {
    int reads = static_cast<int>(handles_.at(handleKey).reads.size());
    for (const auto& entry : cancelled_) reads += entry.second.read && entry.second.handleKey == handleKey ? 1 : 0;
    return reads;
}

OsHandle SimHidDevices::acquire(Handle handle) {
    const std::uintptr_t key = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(key, std::move(handle));
    ++acquisitions_;
    return reinterpret_cast<OsHandle>(key);
}

SimHidDevices::Handle* SimHidDevices::find(OsHandle handle, Kind kind) {
    auto entry = handles_.find(keyOf(handle));
    return entry != handles_.end() && entry->second.kind == kind ? &entry->second : nullptr;
}

void SimHidDevices::complete(IoRecord* record, std::uint32_t status, std::uint32_t bytes) {
    record->internalHigh = bytes;
    record->internal = status;
}

void SimHidDevices::completeRead(Handle& handle, const WireReport& report) {
    PendingIo read = handle.reads.front();
    handle.reads.erase(handle.reads.begin());
    const std::uint32_t length = std::min<std::uint32_t>(read.length, static_cast<std::uint32_t>(report.size()));
    std::memcpy(read.buffer, report.data(), length);
    complete(read.record, 0, length);
}

void SimHidDevices::failPending(Handle& handle, std::uint32_t status) {
    for (const PendingIo& io : handle.reads) complete(io.record, status, 0);
    for (const PendingIo& io : handle.writes) complete(io.record, status, 0);
    handle.reads.clear();
    handle.writes.clear();
}

void SimHidDevices::deliverInput(const WireReport& report) {
    for (auto& entry : handles_) {
        Handle& handle = entry.second;
        if (handle.kind != Kind::File) continue;
        const Device& device = devices_[static_cast<std::size_t>(handle.device)];
        if (!device.isController || !device.present) continue;
        if (lateCancel_ == LateCancel::TakesReport && fillCancelledRead(entry.first, report)) continue;
        if (!handle.reads.empty()) {
            completeRead(handle, report);
            continue;
        }
        // The class driver keeps a ring of input reports per handle; when it
        // is full the oldest report is lost.
        if (handle.input.size() == kInputBufferReports) handle.input.pop_front();
        handle.input.push_back(report);
    }
}

std::vector<InterfaceEntry> SimHidDevices::interfaceEntries() const {
    std::vector<InterfaceEntry> entries;
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        const Device& device = devices_[index];
        if (!device.present) continue;
        InterfaceEntry entry;
        entry.path = device.path;
        entry.devInst = kFirstDevInst + static_cast<std::uint32_t>(index);
        entry.detailFails = device.fault == Fault::DetailFails;
        entries.push_back(entry);
    }
    return entries;
}

OsHandle SimHidDevices::openDevice(const char* path, int overlapped) {
    if (path == nullptr) return nullptr;
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        const Device& device = devices_[index];
        if (!device.present || device.path != path) continue;
        if (device.fault == Fault::OpenFails || (overlapped && device.fault == Fault::OverlappedOpenFails)) return nullptr;
        if (overlapped) overlappedOpens_.push_back(device.path);
        return acquire(Handle{Kind::File, static_cast<int>(index), overlapped != 0, {}, {}, {}});
    }
    return nullptr;
}

int SimHidDevices::getAttributes(OsHandle device, HidAttributesRecord* attributes) {
    Handle* handle = find(device, Kind::File);
    if (handle == nullptr || attributes == nullptr || attributes->size != sizeof(HidAttributesRecord)) return 0;
    const Device& entry = devices_[static_cast<std::size_t>(handle->device)];
    if (entry.fault == Fault::AttributesFail) return 0;
    attributes->vendorId = entry.vendorId;
    attributes->productId = entry.productId;
    attributes->versionNumber = 0x0100;
    return 1;
}

bool SimHidDevices::lentToPendingIo(const void* memory) const {
    const auto lent = [memory](const PendingIo& io) { return io.record == memory || io.buffer == memory; };
    for (const auto& entry : handles_) {
        const Handle& handle = entry.second;
        if (std::any_of(handle.reads.begin(), handle.reads.end(), lent) ||
            std::any_of(handle.writes.begin(), handle.writes.end(), lent))
            return true;
    }
    return std::any_of(cancelled_.begin(), cancelled_.end(),
                       [&lent](const auto& entry) { return lent(entry.second.io); });
}

SimHidDevices::Handle* SimHidDevices::startIo(OsHandle device, const std::uint8_t* buffer, IoRecord* record) {
    Handle* handle = find(device, Kind::File);
    if (handle == nullptr || buffer == nullptr || record == nullptr) {
        lastError_ = kErrorInvalidHandle;
        return nullptr;
    }
    if (lentToPendingIo(record) || lentToPendingIo(buffer)) ++recordsReusedWhilePending_;
    record->internal = kStatusPending;
    if (!devices_[static_cast<std::size_t>(handle->device)].present) {
        // Refused before the driver takes it, as Windows does: the record keeps
        // the pending code and never ends.
        lastError_ = kErrorDeviceNotConnected;
        return nullptr;
    }
    lastError_ = kErrorIoPending;
    return handle;
}

int SimHidDevices::readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) {
    Handle* handle = startIo(device, buffer, record);
    if (handle == nullptr) return 0;
    if (readsFail_) {
        complete(record, kStatusUnsuccessful, 0);
        lastError_ = kErrorGenFailure;
        return 0;
    }
    handle->reads.push_back({nextIoId_++, record, buffer, length});
    maxReadsInFlight_ = std::max(maxReadsInFlight_, readsInFlightOn(keyOf(device)));
    if (!handle->input.empty()) {
        // Buffered input completes the read before ReadFile returns.
        const WireReport report = handle->input.front();
        handle->input.pop_front();
        completeRead(*handle, report);
        return 1;
    }
    return 0;
}

int SimHidDevices::writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) {
    Handle* handle = startIo(device, buffer, record);
    if (handle == nullptr) return 0;
    if (writeMode_ == WriteMode::FailAtOnce) {
        lastError_ = kErrorGenFailure;
        return 0;
    }
    const std::uint64_t id = nextIoId_++;
    handle->writes.push_back({id, record, nullptr, length});
    if (writeMode_ == WriteMode::NeverComplete) return 0;
    WireReport bytes{};
    std::memcpy(bytes.data(), buffer, std::min<std::size_t>(length, bytes.size()));
    const std::uintptr_t key = keyOf(device);
    clock_.schedule(writeDelayMs_, [this, key, id, bytes, length] { finishWrite(key, id, bytes, length); });
    return 0;
}

void SimHidDevices::finishWrite(std::uintptr_t handleKey, std::uint64_t writeId, const WireReport& bytes,
                                std::uint32_t length) {
    auto entry = handles_.find(handleKey);
    if (entry == handles_.end()) return;  // closed meanwhile: nothing is written back
    Handle& handle = entry->second;
    auto write = std::find_if(handle.writes.begin(), handle.writes.end(),
                              [writeId](const PendingIo& io) { return io.id == writeId; });
    if (write == handle.writes.end()) return;  // cancelled meanwhile
    IoRecord* record = write->record;
    handle.writes.erase(write);
    if (writeMode_ == WriteMode::Fail) {
        complete(record, kStatusUnsuccessful, 0);
        return;
    }
    complete(record, 0, length);
    const Device& device = devices_[static_cast<std::size_t>(handle.device)];
    if (device.isController && firmware_ != nullptr) firmware_->receive(host_, bytes.data(), bytes.size());
}

void SimHidDevices::cancelPending(std::uintptr_t key, Handle& handle) {
    if (cancelLatencyMs_ == 0) {
        failPending(handle, kStatusCancelled);
        return;
    }
    const auto endLate = [this, key](const PendingIo& io, bool read) {
        cancelled_.emplace(io.id, CancelledIo{key, io, read, false, {}});
        clock_.schedule(cancelLatencyMs_, [this, id = io.id] { endCancelled(id); });
    };
    for (const PendingIo& io : handle.reads) endLate(io, true);
    for (const PendingIo& io : handle.writes) endLate(io, false);
    handle.reads.clear();
    handle.writes.clear();
}

bool SimHidDevices::fillCancelledRead(std::uintptr_t handleKey, const WireReport& report) {
    for (auto& entry : cancelled_) {
        CancelledIo& io = entry.second;
        if (!io.read || io.filled || io.handleKey != handleKey) continue;
        io.filled = true;
        io.report = report;
        return true;
    }
    return false;
}

void SimHidDevices::endCancelled(std::uint64_t ioId) {
    const auto entry = cancelled_.find(ioId);
    if (entry == cancelled_.end()) return;
    const CancelledIo& io = entry->second;
    if (io.filled) {
        const auto length = std::min<std::uint32_t>(io.io.length, static_cast<std::uint32_t>(io.report.size()));
        std::memcpy(io.io.buffer, io.report.data(), length);
        complete(io.io.record, 0, length);
    } else {
        complete(io.io.record, kStatusCancelled, 0);
    }
    if (handles_.count(io.handleKey) == 0) ++completionsAfterClose_;
    cancelled_.erase(entry);
}

int SimHidDevices::cancelIo(OsHandle device) {
    Handle* handle = find(device, Kind::File);
    if (handle == nullptr) return 0;
    handleCalls_.push_back({clock_.now(), "CancelIo"});
    cancelPending(keyOf(device), *handle);
    return 1;
}

OsHandle SimHidDevices::createEvent() { return acquire(Handle{Kind::Event, -1, false, {}, {}, {}}); }

int SimHidDevices::closeHandle(OsHandle handle) {
    auto entry = handles_.find(keyOf(handle));
    if (entry == handles_.end()) {
        ++badReleases_;
        return 0;
    }
    handleCalls_.push_back(
        {clock_.now(), entry->second.kind == Kind::Event ? "CloseHandle event" : "CloseHandle device"});
    // Closing a handle cancels what is still pending on it.
    cancelPending(entry->first, entry->second);
    handles_.erase(entry);
    return 1;
}

}  // namespace pivora::sim
