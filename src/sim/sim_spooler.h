#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/spooler_api.h"

namespace pivora::sim {

// One computer's print spooler behind the same seam as the real one. The
// printer list is laid out as EnumPrintersA lays it out at level 2: one
// PRINTER_INFO_2A record per printer, then the texts, the records' pointer
// fields holding real addresses inside the caller's buffer. Printers open
// for what an unelevated user is granted, no more. Printer handles are
// counted so tests can prove each one is closed.
class SimSpooler : public SpoolerApi {
public:
    // What goes wrong with one text of a printer's record.
    enum class TextFault {
        None,
        PointerOutsideBuffer,  // the pointer names an address past the buffer's end
        Unterminated,          // the text ends the buffer without its terminating zero
    };

    struct Printer {
        std::string name;
        std::string port;  // "USB001", "LPT1:", "USB001,USB002", "IP_192.168.1.20", ...
        std::uint32_t jobsQueued = 0;
        bool openFails = false;  // OpenPrinterA refuses it (access denied)
        TextFault nameFault = TextFault::None;
        TextFault portFault = TextFault::None;
    };

    // JOB_INFO_2A on x64; the records are zeroed, only their count matters.
    static constexpr std::uint32_t kJobRecordSize = 160;

    // Population. Returns the printer's index in the list.
    int addPrinter(std::string name, std::string port, std::uint32_t jobsQueued = 0);
    Printer& printer(int index) { return printers_.at(static_cast<std::size_t>(index)); }

    // Faults of the whole spooler.
    // Not running: every call fails and reports nothing.
    void setUnavailable(bool unavailable) { unavailable_ = unavailable; }
    // The record count the full listing reports instead of the true one.
    void setReturnedCount(std::optional<std::uint32_t> count) { returnedCount_ = count; }

    // Observation.
    int enumPrintersCalls() const { return enumPrintersCalls_; }
    int enumJobsCalls() const { return enumJobsCalls_; }
    // Every OpenPrinterA, in order: the name asked for and the access.
    struct OpenCall {
        std::string name;
        std::uint32_t desiredAccess;
    };
    const std::vector<OpenCall>& openCalls() const { return openCalls_; }
    int printersOpen() const { return static_cast<int>(handles_.size()); }
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    int badReleases() const { return badReleases_; }
    bool allReleased() const { return handles_.empty() && badReleases_ == 0; }

    // SpoolerApi
    int enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                          std::uint32_t* returned) override;
    int openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) override;
    int enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                 std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override;
    int closePrinter(OsHandle printer) override;

private:
    std::uint32_t listSize() const;
    void layOut(std::uint8_t* buffer, std::uint32_t size) const;

    std::deque<Printer> printers_;
    bool unavailable_ = false;
    std::optional<std::uint32_t> returnedCount_;
    std::map<std::uintptr_t, int> handles_;  // handle -> printer
    std::uintptr_t nextHandle_ = 0x30000;
    std::vector<OpenCall> openCalls_;
    int enumPrintersCalls_ = 0;
    int enumJobsCalls_ = 0;
    int opens_ = 0;
    int closes_ = 0;
    int badReleases_ = 0;
};

}  // namespace pivora::sim
