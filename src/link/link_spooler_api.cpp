#include "link/link_spooler_api.h"

#include "link/link_handles.h"

namespace pivora::link {

int LinkSpoolerApi::listCall(FrameWriter& request, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                             std::uint32_t* returned, const PointerRecords& layout) {
    request.buffer(buffer, size);
    request.u32(*needed);
    request.u32(*returned);
    const std::optional<Frame> response = link_.call(request);
    if (!response) return 0;
    FrameReader reader(*response);
    const int result = reader.i32();
    const std::uint32_t neededOut = reader.u32();
    const std::uint32_t returnedOut = reader.u32();
    const std::uint64_t serverBase = reader.u64();
    reader.bufferInto(buffer, size);
    if (!reader.complete()) return 0;
    *needed = neededOut;
    *returned = returnedOut;
    if (result) rebasePointers(buffer, size, serverBase, returnedOut, layout);
    return result;
}

int LinkSpoolerApi::enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                                      std::uint32_t* returned) {
    FrameWriter request(MessageType::EnumPrinters);
    return listCall(request, buffer, size, needed, returned, kPrinterRecords);
}

int LinkSpoolerApi::openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) {
    FrameWriter request(MessageType::OpenPrinter);
    request.text(name);
    request.u32(desiredAccess);
    *printer = nullptr;
    const std::optional<Frame> response = link_.call(request);
    if (!response) return 0;
    FrameReader reader(*response);
    const int result = reader.i32();
    const std::uint64_t opened = reader.u64();
    if (!reader.complete()) return 0;
    *printer = handleOf(opened);
    return result;
}

int LinkSpoolerApi::enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                             std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) {
    FrameWriter request(MessageType::EnumJobs);
    request.u64(numberOf(printer));
    request.u32(firstJob);
    request.u32(count);
    return listCall(request, buffer, size, needed, returned, kJobRecords);
}

int LinkSpoolerApi::closePrinter(OsHandle printer) {
    FrameWriter request(MessageType::ClosePrinter);
    request.u64(numberOf(printer));
    return link_.callForResult(request, 0);
}

}  // namespace pivora::link
