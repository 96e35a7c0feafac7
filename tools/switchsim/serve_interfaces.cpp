#include "host_session.h"
#include "record_arg.h"

namespace pivora::switchsim {

namespace {
constexpr std::uint8_t kClassCount = 3;
}  // namespace

HostSession::Outcome HostSession::serveInterfaces(Type type, Reader& request, Writer& response) {
    DeviceInterfaceApi& interfaces = computer_.interfaces;
    switch (type) {
        case Type::GetClassDevs: {
            const std::uint8_t interfaceClass = request.u8();
            const std::uint32_t flags = request.u32();
            if (!request.complete() || interfaceClass >= kClassCount) return Outcome::BadFields;
            response.u64(handles_.add(
                HandleKind::InterfaceSet,
                interfaces.getClassDevs(static_cast<DeviceInterfaceClass>(interfaceClass), flags)));
            return Outcome::Served;
        }
        case Type::EnumInterface: {
            const OsHandle set = handles_.find(request.u64(), HandleKind::InterfaceSet);
            const std::uint8_t interfaceClass = request.u8();
            const std::uint32_t index = request.u32();
            link::BufferArg recordField = request.buffer();
            RecordArg<DeviceInterfaceRecord> record(recordField);
            if (!request.complete() || interfaceClass >= kClassCount || !record.wellFormed())
                return Outcome::BadFields;
            response.i32(
                interfaces.enumInterface(set, static_cast<DeviceInterfaceClass>(interfaceClass), index, record.get()));
            echo(response, record.afterCall());
            return Outcome::Served;
        }
        case Type::GetInterfaceDetail: {
            const OsHandle set = handles_.find(request.u64(), HandleKind::InterfaceSet);
            link::BufferArg recordField = request.buffer();
            link::BufferArg detail = request.buffer();
            const bool wantsSize = request.u8() != 0;
            link::BufferArg deviceField = request.buffer();
            RecordArg<DeviceInterfaceRecord> record(recordField);
            RecordArg<DeviceInfoRecord> device(deviceField);
            if (!request.complete() || !record.wellFormed() || !device.wellFormed()) return Outcome::BadFields;
            std::uint32_t required = 0;
            response.i32(interfaces.getInterfaceDetail(set, record.get(), detail.get(), detail.size,
                                                       wantsSize ? &required : nullptr, device.get()));
            response.u32(required);
            echo(response, detail);
            echo(response, device.afterCall());
            return Outcome::Served;
        }
        case Type::GetDeviceRegistryProperty: {
            const OsHandle set = handles_.find(request.u64(), HandleKind::InterfaceSet);
            link::BufferArg deviceField = request.buffer();
            const std::uint32_t property = request.u32();
            link::BufferArg text = request.buffer();
            RecordArg<DeviceInfoRecord> device(deviceField);
            if (!request.complete() || !device.wellFormed()) return Outcome::BadFields;
            response.i32(interfaces.getDeviceRegistryProperty(set, device.get(), property, text.get(), text.size));
            echo(response, text);
            return Outcome::Served;
        }
        case Type::DestroyDeviceInfoList:
            return releaseNamed(request, HandleKind::InterfaceSet,
                                [&](OsHandle set) { response.i32(interfaces.destroyDeviceInfoList(set)); });
        default:
            return Outcome::UnknownType;
    }
}

}  // namespace pivora::switchsim
