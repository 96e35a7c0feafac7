#include "platform/linux/cups_printer_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "link/posix_fd.h"
#include "platform/posix/make_folders.h"

namespace pivora {

namespace {

using link::PosixFd;

constexpr char kFileName[] = "/printers";
// "VVVV:PPPP " before the name.
constexpr std::size_t kIdLength = 10;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool readHex16(const std::string& text, std::size_t at, std::uint16_t& value) {
    unsigned result = 0;
    for (std::size_t digit = 0; digit < 4; ++digit) {
        const int nibble = hexDigit(text[at + digit]);
        if (nibble < 0) return false;
        result = result * 16 + static_cast<unsigned>(nibble);
    }
    value = static_cast<std::uint16_t>(result);
    return true;
}

// What CUPS takes for a queue name: printable, no space, no slash, no '#'.
bool isQueueName(const std::string& name) {
    if (name.empty() || name.size() > PrinterStateFile::kMaxQueueName) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > ' ' && byte != 0x7F && c != '/' && c != '#';
    });
}

bool parseLine(const std::string& line, KnownPrinter& printer) {
    if (line.size() <= kIdLength || line[4] != ':' || line[9] != ' ') return false;
    printer.queue = line.substr(kIdLength);
    return readHex16(line, 0, printer.vendorId) && readHex16(line, 5, printer.productId) &&
           !(printer.vendorId == 0 && printer.productId == 0) && isQueueName(printer.queue);
}

bool isKnown(const std::vector<KnownPrinter>& printers, const std::string& queue) {
    return std::any_of(printers.begin(), printers.end(),
                       [&queue](const KnownPrinter& printer) { return printer.queue == queue; });
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::vector<KnownPrinter> PrinterStateFile::parse(const std::string& text) {
    std::vector<KnownPrinter> printers;
    std::size_t start = 0;
    // A last line without its newline was cut short: it is left out.
    for (std::size_t end = text.find('\n'); end != std::string::npos && printers.size() < kMaxPrinters;
         start = end + 1, end = text.find('\n', start)) {
        KnownPrinter printer;
        if (parseLine(text.substr(start, end - start), printer) && !isKnown(printers, printer.queue))
            printers.push_back(std::move(printer));
    }
    return printers;
}

std::string PrinterStateFile::format(const std::vector<KnownPrinter>& printers) {
    std::string text;
    std::size_t lines = 0;
    for (const KnownPrinter& printer : printers) {
        if (lines == kMaxPrinters) break;
        if (!isQueueName(printer.queue) || (printer.vendorId == 0 && printer.productId == 0)) continue;
        char id[kIdLength + 1];
        (void)std::snprintf(id, sizeof id, "%04X:%04X ", static_cast<unsigned>(printer.vendorId),
                            static_cast<unsigned>(printer.productId));
        text += id;
        text += printer.queue;
        text += '\n';
        ++lines;
    }
    return text;
}

std::string PrinterStateFile::readText() const {
    if (folder_.empty()) return {};
    // Not through a link, and not waiting on a FIFO someone left there.
    const PosixFd fd(::open((folder_ + kFileName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat status {};
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    std::string text(kMaxBytes, '\0');
    std::size_t filled = 0;
    while (filled < text.size()) {
        const ssize_t got = ::read(fd.get(), &text[filled], text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    return text;
}

bool PrinterStateFile::write(const std::vector<KnownPrinter>& printers) const {
    if (folder_.empty() || !makeFolders(folder_)) return false;
    const std::string path = folder_ + kFileName;
    std::string temporary = path + ".XXXXXX";
    const PosixFd fd(::mkostemp(&temporary[0], O_CLOEXEC));
    if (!fd) return false;
    const bool written = writeAll(fd.get(), format(printers)) && ::fsync(fd.get()) == 0 &&
                         ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written) ::unlink(temporary.c_str());
    return written;
}

}  // namespace pivora
