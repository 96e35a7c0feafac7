#include "host_session.h"
#include "record_arg.h"

namespace pivora::switchsim {

namespace {
// A buffer is sized by its length word (none given: 0 bytes).
bool sizes(const link::WordArg& length, const link::BufferArg& buffer) {
    return !buffer.present || buffer.size == (length.present ? length.value : 0);
}
}  // namespace

HostSession::Outcome HostSession::serveRegistry(Type type, Reader& request, Writer& response) {
    RegistryApi& registry = computer_.registry;
    switch (type) {
        case Type::OpenKey: {
            const link::TextArg path = request.text();
            if (!request.complete()) return Outcome::BadFields;
            OsHandle key = nullptr;
            response.i32(static_cast<std::int32_t>(registry.openLocalMachineKey(path.get(), &key)));
            response.u64(handles_.add(HandleKind::RegistryKey, key));
            return Outcome::Served;
        }
        case Type::EnumKey: {
            const OsHandle key = handles_.find(request.u64(), HandleKind::RegistryKey);
            const std::uint32_t index = request.u32();
            link::BufferArg name = request.buffer();
            link::WordArg nameLength = request.optionalU32();
            link::BufferArg className = request.buffer();
            link::WordArg classLength = request.optionalU32();
            if (!request.complete() || !sizes(nameLength, name) || !sizes(classLength, className))
                return Outcome::BadFields;
            response.i32(static_cast<std::int32_t>(
                registry.enumKey(key, index, reinterpret_cast<char*>(name.get()), nameLength.get(),
                                 reinterpret_cast<char*>(className.get()), classLength.get())));
            echo(response, name);
            response.u32(nameLength.value);
            echo(response, className);
            response.u32(classLength.value);
            return Outcome::Served;
        }
        case Type::QueryValue: {
            const OsHandle key = handles_.find(request.u64(), HandleKind::RegistryKey);
            const link::TextArg valueName = request.text();
            link::WordArg valueType = request.optionalU32();
            link::BufferArg data = request.buffer();
            link::WordArg size = request.optionalU32();
            if (!request.complete() || !sizes(size, data)) return Outcome::BadFields;
            response.i32(static_cast<std::int32_t>(
                registry.queryValue(key, valueName.get(), valueType.get(), data.get(), size.get())));
            response.u32(valueType.value);
            echo(response, data);
            response.u32(size.value);
            return Outcome::Served;
        }
        case Type::CloseKey:
            return releaseNamed(request, HandleKind::RegistryKey, [&](OsHandle key) {
                response.i32(static_cast<std::int32_t>(registry.closeKey(key)));
            });
        default:
            return Outcome::UnknownType;
    }
}

}  // namespace pivora::switchsim
