#include "host_session.h"
#include "platform/device_removal_api.h"
#include "record_arg.h"

namespace pivora::switchsim {

HostSession::Outcome HostSession::serveHubs(Type type, Reader& request, Writer& response) {
    UsbHubApi& hubs = computer_.usb;
    switch (type) {
        case Type::OpenHubDevice: {
            const link::TextArg path = request.text();
            if (!request.complete()) return Outcome::BadFields;
            response.u64(handles_.add(HandleKind::Hub, hubs.openDevice(path.get())));
            return Outcome::Served;
        }
        case Type::IoControl: {
            const OsHandle device = handles_.find(request.u64(), HandleKind::Hub);
            const std::uint32_t code = request.u32();
            link::BufferArg in = request.buffer();
            link::BufferArg out = request.buffer();
            if (!request.complete()) return Outcome::BadFields;
            response.i32(hubs.ioControl(device, code, in.get(), in.size, out.get(), out.size));
            echo(response, out);
            return Outcome::Served;
        }
        case Type::CloseHubHandle:
            return releaseNamed(request, HandleKind::Hub,
                                [&](OsHandle device) { response.i32(hubs.closeHandle(device)); });
        case Type::WideToAnsi: {
            link::BufferArg text = request.buffer();
            link::BufferArg out = request.buffer();
            const std::int32_t outSize = request.i32();
            // The text must end with its terminator, and the size must be the buffer's.
            const bool terminated = !text.present || (text.size >= 2 && text.size % 2 == 0 &&
                                                      text.bytes[text.size - 2] == 0 && text.bytes[text.size - 1] == 0);
            const bool sized = outSize >= 0 && (!out.present || out.size == static_cast<std::uint32_t>(outSize));
            if (!request.complete() || !terminated || !sized) return Outcome::BadFields;
            response.i32(hubs.wideToAnsi(text.get(), reinterpret_cast<char*>(out.get()), outSize));
            echo(response, out);
            return Outcome::Served;
        }
        default:
            return Outcome::UnknownType;
    }
}

HostSession::Outcome HostSession::serveRemoval(Type type, Reader& request, Writer& response) {
    DeviceRemovalApi& removal = computer_.usb;
    switch (type) {
        case Type::RequestEject:
        case Type::QueryAndRemove: {
            const std::uint32_t devInst = request.u32();
            link::WordArg vetoType = request.optionalU32();
            link::BufferArg vetoName = request.buffer();
            const std::uint32_t nameLength = request.u32();
            const std::uint32_t flags = request.u32();
            if (!request.complete() || (vetoName.present && vetoName.size != nameLength)) return Outcome::BadFields;
            if (!servingHeld_) {
                holdMs_ = computer_.usb.removalDelayMs(devInst);
                if (holdMs_ > 0) return Outcome::Held;
            }
            auto* name = reinterpret_cast<char*>(vetoName.get());
            response.u32(type == Type::RequestEject
                             ? removal.requestDeviceEject(devInst, vetoType.get(), name, nameLength, flags)
                             : removal.queryAndRemoveSubTree(devInst, vetoType.get(), name, nameLength, flags));
            response.u32(vetoType.value);
            echo(response, vetoName);
            return Outcome::Served;
        }
        case Type::GetVersionEx: {
            link::BufferArg record = request.buffer();
            if (!request.complete() || (record.present && record.size != osversion::kSize)) return Outcome::BadFields;
            response.i32(removal.getVersionEx(record.get()));
            echo(response, record);
            return Outcome::Served;
        }
        default:
            return Outcome::UnknownType;
    }
}

}  // namespace pivora::switchsim
