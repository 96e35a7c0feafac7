#include "link/link_device_interface_api.h"

#include "link/link_handles.h"

namespace pivora::link {

OsHandle LinkDeviceInterfaceApi::getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) {
    FrameWriter request(MessageType::GetClassDevs);
    request.u8(static_cast<std::uint8_t>(interfaceClass));
    request.u32(flags);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return nullptr;
    FrameReader reader(*response);
    const std::uint64_t set = reader.u64();
    return reader.complete() ? handleOf(set) : nullptr;
}

int LinkDeviceInterfaceApi::enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                                          DeviceInterfaceRecord* record) {
    FrameWriter request(MessageType::EnumInterface);
    request.u64(numberOf(set));
    request.u8(static_cast<std::uint8_t>(interfaceClass));
    request.u32(index);
    request.buffer(record, sizeof(DeviceInterfaceRecord));
    return link_.callForBuffer(request, record, sizeof(DeviceInterfaceRecord));
}

int LinkDeviceInterfaceApi::getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record,
                                               std::uint8_t* detail, std::uint32_t detailSize,
                                               std::uint32_t* requiredSize, DeviceInfoRecord* device) {
    FrameWriter request(MessageType::GetInterfaceDetail);
    request.u64(numberOf(set));
    request.buffer(record, sizeof(DeviceInterfaceRecord));
    request.buffer(detail, detailSize);
    request.u8(requiredSize != nullptr ? 1 : 0);
    request.buffer(device, sizeof(DeviceInfoRecord));
    const std::optional<Frame> response = link_.call(request);
    if (!response) return 0;
    FrameReader reader(*response);
    const int result = reader.i32();
    const std::uint32_t required = reader.u32();
    reader.bufferInto(detail, detailSize);
    reader.bufferInto(device, sizeof(DeviceInfoRecord));
    if (!reader.complete()) return 0;
    if (requiredSize != nullptr) *requiredSize = required;
    return result;
}

int LinkDeviceInterfaceApi::getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record,
                                                      std::uint32_t property, std::uint8_t* buffer,
                                                      std::uint32_t size) {
    FrameWriter request(MessageType::GetDeviceRegistryProperty);
    request.u64(numberOf(set));
    request.buffer(record, sizeof(DeviceInfoRecord));
    request.u32(property);
    request.buffer(buffer, size);
    return link_.callForBuffer(request, buffer, size);
}

int LinkDeviceInterfaceApi::destroyDeviceInfoList(OsHandle set) {
    FrameWriter request(MessageType::DestroyDeviceInfoList);
    request.u64(numberOf(set));
    return link_.callForResult(request, 0);
}

}  // namespace pivora::link
