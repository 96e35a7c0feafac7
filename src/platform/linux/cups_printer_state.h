#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pivora {

// A USB printer queue and the USB ID of its device when it was last seen
// here.
struct KnownPrinter {
    std::string queue;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;

    bool operator==(const KnownPrinter& other) const {
        return queue == other.queue && vendorId == other.vendorId && productId == other.productId;
    }
};

// The file `printers` in the state folder, one line a queue:
// "03F0:1234 Laser\n". It lets a printer whose device is on the other
// computer's port, so not present here, keep its ID. Whatever the file holds
// reads as a list: lines that are not whole and well formed are left out, and
// the next write replaces them.
class PrinterStateFile {
public:
    static constexpr std::size_t kMaxBytes = std::size_t{64} * 1024;
    static constexpr std::size_t kMaxPrinters = 256;
    // CUPS keeps queue names shorter than this.
    static constexpr std::size_t kMaxQueueName = 127;

    // `folder` empty: nowhere to keep anything, every read is empty.
    explicit PrinterStateFile(std::string folder) : folder_(std::move(folder)) {}

    // The file's first kMaxBytes; empty when it is missing or is not a
    // regular file.
    std::string readText() const;
    std::vector<KnownPrinter> read() const { return parse(readText()); }

    // Replaces the file as one step (a temporary file renamed over it),
    // creating the folder, private to the user, when it is missing. Printers
    // past kMaxPrinters, or whose line could not be read back, are left out.
    bool write(const std::vector<KnownPrinter>& printers) const;

    const std::string& folder() const { return folder_; }

    // The well-formed, whole lines of `text`, the first kMaxPrinters of
    // them, each queue once.
    static std::vector<KnownPrinter> parse(const std::string& text);
    // The file's text for `printers`, as write() would write it.
    static std::string format(const std::vector<KnownPrinter>& printers);

private:
    std::string folder_;
};

}  // namespace pivora
