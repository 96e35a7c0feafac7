#include "link/link_usb_hub_api.h"

#include "link/link_handles.h"
#include "platform/byte_order.h"

namespace pivora::link {

OsHandle LinkUsbHubApi::openDevice(const char* path) {
    FrameWriter request(MessageType::OpenHubDevice);
    request.text(path);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return nullptr;
    FrameReader reader(*response);
    const std::uint64_t device = reader.u64();
    return reader.complete() ? handleOf(device) : nullptr;
}

int LinkUsbHubApi::ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize,
                             std::uint8_t* out, std::uint32_t outSize) {
    FrameWriter request(MessageType::IoControl);
    request.u64(numberOf(device));
    request.u32(code);
    request.buffer(in, inSize);
    request.buffer(out, outSize);
    return link_.callForBuffer(request, out, outSize);
}

int LinkUsbHubApi::closeHandle(OsHandle device) {
    FrameWriter request(MessageType::CloseHubHandle);
    request.u64(numberOf(device));
    return link_.callForResult(request, 0);
}

int LinkUsbHubApi::wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) {
    // The text travels with its terminator; one longer than the link carries
    // cannot be converted.
    std::uint32_t textBytes = 0;
    while (utf16le != nullptr && textBytes + 2 <= kMaxBufferBytes && readLe16(utf16le + textBytes) != 0)
        textBytes += 2;
    if (utf16le != nullptr && (textBytes + 2 > kMaxBufferBytes || outSize < 0)) return 0;
    const auto outBytes = static_cast<std::uint32_t>(outSize > 0 ? outSize : 0);
    FrameWriter request(MessageType::WideToAnsi);
    request.buffer(utf16le, utf16le != nullptr ? textBytes + 2 : 0);
    request.buffer(out, outBytes);
    request.i32(outSize);
    return link_.callForBuffer(request, out, outBytes);
}

std::uint32_t LinkDeviceRemovalApi::remove(MessageType type, std::uint32_t devInst, std::uint32_t* vetoType,
                                           char* vetoName, std::uint32_t nameLength, std::uint32_t flags) {
    FrameWriter request(type);
    request.u32(devInst);
    request.optionalU32(vetoType);
    request.buffer(vetoName, nameLength);
    request.u32(nameLength);
    request.u32(flags);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return kCrFailure;
    FrameReader reader(*response);
    const std::uint32_t result = reader.u32();
    const std::uint32_t vetoTypeOut = reader.u32();
    reader.bufferInto(vetoName, nameLength);
    if (!reader.complete()) return kCrFailure;
    if (vetoType != nullptr) *vetoType = vetoTypeOut;
    return result;
}

std::uint32_t LinkDeviceRemovalApi::requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType,
                                                       char* vetoName, std::uint32_t nameLength,
                                                       std::uint32_t flags) {
    return remove(MessageType::RequestEject, devInst, vetoType, vetoName, nameLength, flags);
}

std::uint32_t LinkDeviceRemovalApi::queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType,
                                                          char* vetoName, std::uint32_t nameLength,
                                                          std::uint32_t flags) {
    return remove(MessageType::QueryAndRemove, devInst, vetoType, vetoName, nameLength, flags);
}

int LinkDeviceRemovalApi::getVersionEx(std::uint8_t* record) {
    FrameWriter request(MessageType::GetVersionEx);
    request.buffer(record, osversion::kSize);
    return link_.callForBuffer(request, record, osversion::kSize);
}

}  // namespace pivora::link
