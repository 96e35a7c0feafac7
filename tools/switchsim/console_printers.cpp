#include <algorithm>
#include <cstdio>

#include "console.h"
#include "console_words.h"

namespace pivora::switchsim {

namespace {
constexpr std::uint32_t kMostJobs = 1000000;
const char* const kEnumKey = "SYSTEM\\CurrentControlSet\\Enum\\";
}  // namespace

std::string Console::installPrinter(const Words& words) {
    const std::size_t count = words.size();
    const std::optional<sim::Host> host = count >= 5 ? parseHost(words[1]) : std::nullopt;
    const std::optional<std::uint16_t> vendorId = count >= 5 ? parseUsbId(words[count - 2]) : std::nullopt;
    const std::optional<std::uint16_t> productId = count >= 5 ? parseUsbId(words[count - 1]) : std::nullopt;
    if (!host || !vendorId || !productId) return "error usage: printer <host> <name...> <vid> <pid>";
    const std::string name = joinWords(words, 2, count - 2);
    std::vector<std::string>& installed = printers_[static_cast<std::size_t>(*host)];
    if (std::find(installed.begin(), installed.end(), name) != installed.end())
        return "error printer " + name + " exists on " + words[1];

    // Port USB00n, whose printer instance key names it, under a USB device
    // instance whose ParentIdPrefix is that key's prefix.
    const auto number = static_cast<unsigned>(installed.size() + 1);
    char port[16];
    std::snprintf(port, sizeof port, "USB%03u", number);
    char instance[40];
    std::snprintf(instance, sizeof instance, "7&%08x&0", 0x2f8e5c10u + number);
    char device[40];
    std::snprintf(device, sizeof device, "VID_%04X&PID_%04X\\SERIAL%u", *vendorId, *productId, number);
    sim::SimComputer& computer = switch_.computer(*host);
    computer.spooler.addPrinter(name, port, 0);
    const std::string usbPrint = std::string(kEnumKey) + "USBPRINT\\Model" + std::to_string(number) + "\\";
    computer.registry.setString(usbPrint + instance + "&" + port + "\\Device Parameters", "PortName", port);
    computer.registry.setString(std::string(kEnumKey) + "USB\\" + device, "ParentIdPrefix", instance);
    installed.push_back(name);
    return "ok printer " + name + " on " + port;
}

std::string Console::queueJobs(const Words& words) {
    const std::size_t count = words.size();
    const std::optional<sim::Host> host = count >= 4 ? parseHost(words[1]) : std::nullopt;
    const std::optional<std::uint32_t> jobs = count >= 4 ? parseNumber(words[count - 1], kMostJobs) : std::nullopt;
    if (!host || !jobs) return "error usage: job <host> <name...> <count>";
    const std::string name = joinWords(words, 2, count - 1);
    const std::vector<std::string>& installed = printers_[static_cast<std::size_t>(*host)];
    const auto found = std::find(installed.begin(), installed.end(), name);
    if (found == installed.end()) return "error no printer " + name + " on " + words[1];
    switch_.computer(*host).spooler.printer(static_cast<int>(found - installed.begin())).jobsQueued = *jobs;
    return "ok " + name + " has " + words[count - 1] + " jobs";
}

}  // namespace pivora::switchsim
