#include <cstring>

#include "host_session.h"
#include "record_arg.h"

namespace pivora::switchsim {

HostSession::Outcome HostSession::serveHid(Type type, Reader& request, Writer& response) {
    HidDeviceApi& hid = computer_.hid;
    switch (type) {
        case Type::OpenHidDevice: {
            const link::TextArg path = request.text();
            const std::int32_t overlapped = request.i32();
            if (!request.complete()) return Outcome::BadFields;
            response.u64(handles_.add(HandleKind::Hid, hid.openDevice(path.get(), overlapped)));
            break;
        }
        case Type::GetAttributes: {
            const OsHandle device = handles_.find(request.u64(), HandleKind::Hid);
            link::BufferArg field = request.buffer();
            RecordArg<HidAttributesRecord> attributes(field);
            if (!request.complete() || !attributes.wellFormed()) return Outcome::BadFields;
            response.i32(hid.getAttributes(device, attributes.get()));
            echo(response, attributes.afterCall());
            break;
        }
        case Type::CancelIo: {
            const OsHandle device = handles_.find(request.u64(), HandleKind::Hid);
            if (!request.complete()) return Outcome::BadFields;
            response.u64(static_cast<std::uint64_t>(hid.cancelIo(device)));
            break;
        }
        case Type::CreateEvent:
            if (!request.complete()) return Outcome::BadFields;
            response.u64(handles_.add(HandleKind::Hid, hid.createEvent()));
            break;
        case Type::CloseHidHandle: {
            const Outcome outcome = releaseNamed(request, HandleKind::Hid, [&](OsHandle handle) {
                response.u64(static_cast<std::uint64_t>(hid.closeHandle(handle)));
            });
            if (outcome != Outcome::Served) return outcome;
            break;
        }
        default:
            return Outcome::UnknownType;
    }
    response.u32(hid.lastError());
    return Outcome::Served;
}

HostSession::Outcome HostSession::serveHidIo(Type type, Reader& request, Writer& response) {
    const OsHandle device = handles_.find(request.u64(), HandleKind::Hid);
    const std::uint64_t operation = request.u64();
    link::BufferArg report = request.buffer(link::kMaxReportBytes);
    const bool hasRecord = request.u8() != 0;
    auto io = std::make_unique<ServerIo>();
    io->record.internal = static_cast<std::uintptr_t>(request.u64());
    io->record.internalHigh = static_cast<std::uintptr_t>(request.u64());
    io->record.offset = request.u32();
    io->record.offsetHigh = request.u32();
    io->record.event = handles_.find(request.u64(), HandleKind::Hid);
    // An operation number names one operation in flight; 0 is for a call without a record.
    // The call's length is a report's even without a buffer: it bounds what a read returns.
    if (!request.complete() || operations_.inFlight(operation) || (hasRecord && operation == 0) ||
        report.size > link::kMaxReportBytes)
        return Outcome::BadFields;
    io->read = type == Type::ReadReport;
    io->length = report.size;
    if (report.present) std::memcpy(io->buffer.data(), report.get(), report.size);

    HidDeviceApi& hid = computer_.hid;
    std::uint8_t* buffer = report.present ? io->buffer.data() : nullptr;
    IoRecord* record = hasRecord ? &io->record : nullptr;
    const int result = io->read ? hid.readReport(device, buffer, report.size, record)
                                : hid.writeReport(device, buffer, report.size, record);
    const std::uint32_t error = hid.lastError();
    // Taken by the model and not ended yet: it writes the record later.
    const bool inFlight = hasRecord && result == 0 && error == kErrorIoPending && !io->ended();
    io->writeOutcome(operation, response);
    response.u8(inFlight ? 1 : 0);
    response.i32(result);
    response.u32(error);
    if (inFlight) operations_.keep(operation, std::move(io));
    return Outcome::Served;
}

}  // namespace pivora::switchsim
