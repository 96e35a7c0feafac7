#include "host_session.h"
#include "record_arg.h"

namespace pivora::switchsim {

namespace {
// The list answers: the call's result and counts, where the list lies in the
// server (the client moves its pointers from there), and the list itself.
void answerList(link::FrameWriter& response, int result, std::uint32_t needed, std::uint32_t returned,
                link::BufferArg& list) {
    response.i32(result);
    response.u32(needed);
    response.u32(returned);
    response.u64(reinterpret_cast<std::uintptr_t>(list.get()));
    echo(response, list);
}
}  // namespace

HostSession::Outcome HostSession::serveSpooler(Type type, Reader& request, Writer& response) {
    SpoolerApi& spooler = computer_.spooler;
    switch (type) {
        case Type::EnumPrinters: {
            link::BufferArg list = request.buffer();
            std::uint32_t needed = request.u32();
            std::uint32_t returned = request.u32();
            if (!request.complete()) return Outcome::BadFields;
            const int result = spooler.enumLocalPrinters(list.get(), list.size, &needed, &returned);
            answerList(response, result, needed, returned, list);
            return Outcome::Served;
        }
        case Type::OpenPrinter: {
            const link::TextArg name = request.text();
            const std::uint32_t access = request.u32();
            if (!request.complete()) return Outcome::BadFields;
            OsHandle printer = nullptr;
            response.i32(spooler.openPrinter(name.get(), access, &printer));
            response.u64(handles_.add(HandleKind::Printer, printer));
            return Outcome::Served;
        }
        case Type::EnumJobs: {
            const OsHandle printer = handles_.find(request.u64(), HandleKind::Printer);
            const std::uint32_t first = request.u32();
            const std::uint32_t count = request.u32();
            link::BufferArg list = request.buffer();
            std::uint32_t needed = request.u32();
            std::uint32_t returned = request.u32();
            if (!request.complete()) return Outcome::BadFields;
            const int result = spooler.enumJobs(printer, first, count, list.get(), list.size, &needed, &returned);
            answerList(response, result, needed, returned, list);
            return Outcome::Served;
        }
        case Type::ClosePrinter:
            return releaseNamed(request, HandleKind::Printer,
                                [&](OsHandle printer) { response.i32(spooler.closePrinter(printer)); });
        default:
            return Outcome::UnknownType;
    }
}

}  // namespace pivora::switchsim
