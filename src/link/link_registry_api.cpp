#include "link/link_registry_api.h"

#include "link/link_handles.h"

namespace pivora::link {

namespace {
std::uint32_t sizeOr0(const std::uint32_t* size) { return size != nullptr ? *size : 0; }

void store(std::uint32_t* destination, std::uint32_t value) {
    if (destination != nullptr) *destination = value;
}
}  // namespace

long LinkRegistryApi::openLocalMachineKey(const char* path, OsHandle* key) {
    FrameWriter request(MessageType::OpenKey);
    request.text(path);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return kErrorDeviceNotConnected;
    FrameReader reader(*response);
    const long result = reader.i32();
    const std::uint64_t opened = reader.u64();
    if (!reader.complete()) return kErrorDeviceNotConnected;
    *key = handleOf(opened);
    return result;
}

long LinkRegistryApi::enumKey(OsHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength,
                              char* className, std::uint32_t* classLength) {
    const std::uint32_t nameSize = sizeOr0(nameLength);
    const std::uint32_t classSize = sizeOr0(classLength);
    FrameWriter request(MessageType::EnumKey);
    request.u64(numberOf(key));
    request.u32(index);
    request.buffer(name, nameSize);
    request.optionalU32(nameLength);
    request.buffer(className, classSize);
    request.optionalU32(classLength);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return kErrorDeviceNotConnected;
    FrameReader reader(*response);
    const long result = reader.i32();
    reader.bufferInto(name, nameSize);
    const std::uint32_t nameLengthOut = reader.u32();
    reader.bufferInto(className, classSize);
    const std::uint32_t classLengthOut = reader.u32();
    if (!reader.complete()) return kErrorDeviceNotConnected;
    store(nameLength, nameLengthOut);
    store(classLength, classLengthOut);
    return result;
}

long LinkRegistryApi::queryValue(OsHandle key, const char* valueName, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t* size) {
    const std::uint32_t dataSize = sizeOr0(size);
    FrameWriter request(MessageType::QueryValue);
    request.u64(numberOf(key));
    request.text(valueName);
    request.optionalU32(type);
    request.buffer(data, dataSize);
    request.optionalU32(size);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return kErrorDeviceNotConnected;
    FrameReader reader(*response);
    const long result = reader.i32();
    const std::uint32_t typeOut = reader.u32();
    reader.bufferInto(data, dataSize);
    const std::uint32_t sizeOut = reader.u32();
    if (!reader.complete()) return kErrorDeviceNotConnected;
    store(type, typeOut);
    store(size, sizeOut);
    return result;
}

long LinkRegistryApi::closeKey(OsHandle key) {
    FrameWriter request(MessageType::CloseKey);
    request.u64(numberOf(key));
    return link_.callForResult(request, static_cast<std::int32_t>(kErrorDeviceNotConnected));
}

}  // namespace pivora::link
