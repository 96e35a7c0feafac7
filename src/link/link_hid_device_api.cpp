#include "link/link_hid_device_api.h"

#include "link/link_handles.h"

namespace pivora::link {

namespace {
// GetLastError belongs to the calling thread, as on Windows.
thread_local std::uint32_t lastCallError = 0;

// ERROR_INVALID_PARAMETER: a report longer than any HID report Pivora reads.
constexpr std::uint32_t kErrorInvalidParameter = 87;
}  // namespace

std::uint32_t LinkHidDeviceApi::lastError() { return lastCallError; }

std::uint64_t LinkHidDeviceApi::simpleCall(FrameWriter& request) {
    const std::optional<Frame> response = link_.call(request);
    if (!response) {
        lastCallError = kErrorDeviceNotConnected;
        return 0;
    }
    FrameReader reader(*response);
    const std::uint64_t value = reader.u64();
    lastCallError = reader.u32();
    return reader.complete() ? value : 0;
}

OsHandle LinkHidDeviceApi::openDevice(const char* path, int overlapped) {
    FrameWriter request(MessageType::OpenHidDevice);
    request.text(path);
    request.i32(overlapped);
    return handleOf(simpleCall(request));
}

int LinkHidDeviceApi::getAttributes(OsHandle device, HidAttributesRecord* attributes) {
    FrameWriter request(MessageType::GetAttributes);
    request.u64(numberOf(device));
    request.buffer(attributes, sizeof(HidAttributesRecord));
    const std::optional<Frame> response = link_.call(request);
    if (!response) return 0;
    FrameReader reader(*response);
    const int result = reader.i32();
    reader.bufferInto(attributes, sizeof(HidAttributesRecord));
    lastCallError = reader.u32();
    return reader.complete() ? result : 0;
}

int LinkHidDeviceApi::startIo(MessageType type, OsHandle device, const std::uint8_t* buffer, std::uint32_t length,
                              IoRecord* record, std::uint8_t* readInto) {
    if (length > kMaxReportBytes) {
        lastCallError = kErrorInvalidParameter;
        return 0;
    }
    const std::uint64_t operation = record != nullptr ? link_.lendIo(record, readInto, length) : 0;
    FrameWriter request(type);
    request.u64(numberOf(device));
    request.u64(operation);
    request.buffer(buffer, length);
    request.u8(record != nullptr ? 1 : 0);
    request.u64(record != nullptr ? record->internal : 0);
    request.u64(record != nullptr ? record->internalHigh : 0);
    request.u32(record != nullptr ? record->offset : 0);
    request.u32(record != nullptr ? record->offsetHigh : 0);
    request.u64(record != nullptr ? numberOf(record->event) : 0);
    const std::optional<Frame> response = link_.call(request);
    if (!response) {
        link_.endIoUnanswered(operation);
        lastCallError = kErrorDeviceNotConnected;
        return 0;
    }
    // The record was written by the link as the response arrived; what is
    // left is the call's own result.
    FrameReader reader(*response);
    reader.u64();
    reader.u64();
    reader.u64();
    reader.buffer(kMaxReportBytes);
    reader.u8();
    const int result = reader.i32();
    lastCallError = reader.u32();
    return reader.complete() ? result : 0;
}

int LinkHidDeviceApi::readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) {
    return startIo(MessageType::ReadReport, device, buffer, length, record, buffer);
}

int LinkHidDeviceApi::writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length,
                                  IoRecord* record) {
    return startIo(MessageType::WriteReport, device, buffer, length, record, nullptr);
}

int LinkHidDeviceApi::cancelIo(OsHandle device) {
    FrameWriter request(MessageType::CancelIo);
    request.u64(numberOf(device));
    return static_cast<int>(simpleCall(request));
}

OsHandle LinkHidDeviceApi::createEvent() {
    FrameWriter request(MessageType::CreateEvent);
    return handleOf(simpleCall(request));
}

int LinkHidDeviceApi::closeHandle(OsHandle handle) {
    FrameWriter request(MessageType::CloseHidHandle);
    request.u64(numberOf(handle));
    return static_cast<int>(simpleCall(request));
}

}  // namespace pivora::link
