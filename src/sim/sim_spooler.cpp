#include "sim/sim_spooler.h"

#include <algorithm>
#include <cstring>

namespace pivora::sim {

namespace {

// PRINTER_INFO_2A: thirteen pointers, then eight 32-bit words.
constexpr std::uint32_t kDriverNameOffset = 4 * sizeof(void*);
constexpr std::uint32_t kPrintProcessorOffset = 9 * sizeof(void*);
constexpr std::uint32_t kDatatypeOffset = 10 * sizeof(void*);
constexpr std::uint32_t kAttributesOffset = 13 * sizeof(void*);
constexpr std::uint32_t kPriorityOffset = kAttributesOffset + 4;
constexpr std::uint32_t kJobsOffset = kAttributesOffset + 24;  // cJobs

constexpr std::uint32_t kAttributeLocal = 0x40;  // PRINTER_ATTRIBUTE_LOCAL

// What an ordinary user may open a printer for: PRINTER_READ, that is
// PRINTER_ACCESS_USE and READ_CONTROL.
constexpr std::uint32_t kUserAccess = kPrinterAccessUse | 0x00020000;

// What every simulated printer has besides its name and port.
constexpr const char* kDriverName = "Generic / Text Only";
constexpr const char* kPrintProcessor = "winprint";
constexpr const char* kDatatype = "RAW";

struct Text {
    std::uint32_t fieldOffset;
    const std::string* text;
    SimSpooler::TextFault fault;
};

std::vector<Text> textsOf(const SimSpooler::Printer& printer, const std::string& driver, const std::string& processor,
                          const std::string& datatype) {
    return {{printerinfo::kPrinterNameOffset, &printer.name, printer.nameFault},
            {printerinfo::kPortNameOffset, &printer.port, printer.portFault},
            {kDriverNameOffset, &driver, SimSpooler::TextFault::None},
            {kPrintProcessorOffset, &processor, SimSpooler::TextFault::None},
            {kDatatypeOffset, &datatype, SimSpooler::TextFault::None}};
}

std::uint32_t textSize(const Text& text) {
    switch (text.fault) {
        case SimSpooler::TextFault::None:
            return static_cast<std::uint32_t>(text.text->size() + 1);
        case SimSpooler::TextFault::Unterminated:
            return static_cast<std::uint32_t>(text.text->size());
        case SimSpooler::TextFault::PointerOutsideBuffer:
            break;
    }
    return 0;
}

void putPointer(std::uint8_t* record, std::uint32_t offset, std::uintptr_t address) {
    std::memcpy(record + offset, &address, sizeof address);
}

void putWord(std::uint8_t* record, std::uint32_t offset, std::uint32_t value) {
    std::memcpy(record + offset, &value, sizeof value);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

}  // namespace

int SimSpooler::addPrinter(std::string name, std::string port, std::uint32_t jobsQueued) {
    Printer added;
    added.name = std::move(name);
    added.port = std::move(port);
    added.jobsQueued = jobsQueued;
    printers_.push_back(std::move(added));
    return static_cast<int>(printers_.size()) - 1;
}

std::uint32_t SimSpooler::listSize() const {
    const std::string driver = kDriverName, processor = kPrintProcessor, datatype = kDatatype;
    std::uint32_t size = static_cast<std::uint32_t>(printers_.size()) * printerinfo::kRecordSize;
    for (const Printer& printer : printers_)
        for (const Text& text : textsOf(printer, driver, processor, datatype)) size += textSize(text);
    return size;
}

void SimSpooler::layOut(std::uint8_t* buffer, std::uint32_t size) const {
    std::memset(buffer, 0, size);
    const std::string driver = kDriverName, processor = kPrintProcessor, datatype = kDatatype;
    const auto base = reinterpret_cast<std::uintptr_t>(buffer);
    std::uint32_t next = static_cast<std::uint32_t>(printers_.size()) * printerinfo::kRecordSize;
    // Unterminated texts go last, so that each really runs to the end of the buffer.
    std::vector<std::pair<std::uint8_t*, Text>> deferred;
    for (std::size_t index = 0; index < printers_.size(); ++index) {
        const Printer& printer = printers_[index];
        std::uint8_t* record = buffer + index * printerinfo::kRecordSize;
        for (const Text& text : textsOf(printer, driver, processor, datatype)) {
            if (text.fault == TextFault::PointerOutsideBuffer) {
                putPointer(record, text.fieldOffset, base + size + 64);
            } else if (text.fault == TextFault::Unterminated) {
                deferred.emplace_back(record, text);
            } else {
                std::memcpy(buffer + next, text.text->c_str(), textSize(text));
                putPointer(record, text.fieldOffset, base + next);
                next += textSize(text);
            }
        }
        putWord(record, kAttributesOffset, kAttributeLocal);
        putWord(record, kPriorityOffset, 1);
        putWord(record, kJobsOffset, printer.jobsQueued);
    }
    for (const auto& [record, text] : deferred) {
        std::memcpy(buffer + next, text.text->data(), textSize(text));
        putPointer(record, text.fieldOffset, base + next);
        next += textSize(text);
    }
}

int SimSpooler::enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                                  std::uint32_t* returned) {
    ++enumPrintersCalls_;
    if (unavailable_) return 0;
    const std::uint32_t required = listSize();
    *needed = required;
    *returned = 0;
    // ERROR_INSUFFICIENT_BUFFER; an empty list fits any buffer, even none.
    if (size < required || (buffer == nullptr && required > 0)) return 0;
    if (required > 0) layOut(buffer, required);
    *returned = returnedCount_.value_or(static_cast<std::uint32_t>(printers_.size()));
    return 1;
}

int SimSpooler::openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) {
    openCalls_.push_back({name != nullptr ? name : "", desiredAccess});
    *printer = nullptr;
    if (unavailable_ || name == nullptr) return 0;
    // Pivora runs as the user who started it, unelevated: a printer's default
    // security grants such a user printing and reading its settings, and
    // refuses anything more (administering the printer, changing its security).
    if ((desiredAccess & ~kUserAccess) != 0) return 0;  // ERROR_ACCESS_DENIED
    for (std::size_t index = 0; index < printers_.size(); ++index) {
        if (!sameName(printers_[index].name, name)) continue;
        if (printers_[index].openFails) return 0;  // ERROR_ACCESS_DENIED
        const std::uintptr_t handle = nextHandle_;
        nextHandle_ += 4;
        handles_[handle] = static_cast<int>(index);
        ++opens_;
        *printer = reinterpret_cast<OsHandle>(handle);
        return 1;
    }
    return 0;  // ERROR_INVALID_PRINTER_NAME
}

int SimSpooler::enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                         std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) {
    ++enumJobsCalls_;
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(printer));
    if (unavailable_ || found == handles_.end()) return 0;
    const std::uint32_t queued = printers_[static_cast<std::size_t>(found->second)].jobsQueued;
    const std::uint32_t records = firstJob < queued ? std::min(count, queued - firstJob) : 0;
    const std::uint32_t required = records * kJobRecordSize;
    *needed = required;
    *returned = 0;
    if (size < required || (buffer == nullptr && required > 0)) return 0;
    if (required > 0) std::memset(buffer, 0, required);
    *returned = records;
    return 1;
}

int SimSpooler::closePrinter(OsHandle printer) {
    const auto found = handles_.find(reinterpret_cast<std::uintptr_t>(printer));
    if (found == handles_.end()) {
        ++badReleases_;
        return 0;
    }
    handles_.erase(found);
    ++closes_;
    return 1;
}

}  // namespace pivora::sim
