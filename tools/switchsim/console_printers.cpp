#include <algorithm>

#include "console.h"
#include "console_words.h"
#include "linux_computer.h"

namespace pivora::switchsim {

namespace {
constexpr std::uint32_t kMostJobs = 1000000;
}  // namespace

std::string Console::installPrinter(const Words& words) {
    const std::size_t count = words.size();
    const std::optional<sim::Host> host = count >= 5 ? parseHost(words[1]) : std::nullopt;
    const std::optional<std::uint16_t> vendorId = count >= 5 ? parseUsbId(words[count - 2]) : std::nullopt;
    const std::optional<std::uint16_t> productId = count >= 5 ? parseUsbId(words[count - 1]) : std::nullopt;
    if (!host || !vendorId || !productId) return "error usage: printer <host> <name...> <vid> <pid>";
    const std::string name = joinWords(words, 2, count - 2);
    if (LinuxComputer* computer = linuxHost(*host)) return computer->addPrinter(name, *vendorId, *productId);
    std::vector<std::string>& installed = printers_[static_cast<std::size_t>(*host)];
    if (std::find(installed.begin(), installed.end(), name) != installed.end())
        return "error printer " + name + " exists on " + words[1];

    const int index = switch_.computer(*host).installUsbPrinter(name, *vendorId, *productId, 0);
    installed.push_back(name);
    return "ok printer " + name + " on " + switch_.computer(*host).spooler.printer(index).port;
}

std::string Console::queueJobs(const Words& words) {
    const std::size_t count = words.size();
    const std::optional<sim::Host> host = count >= 4 ? parseHost(words[1]) : std::nullopt;
    const std::optional<std::uint32_t> jobs = count >= 4 ? parseNumber(words[count - 1], kMostJobs) : std::nullopt;
    if (!host || !jobs) return "error usage: job <host> <name...> <count>";
    const std::string name = joinWords(words, 2, count - 1);
    if (LinuxComputer* computer = linuxHost(*host)) return computer->queueJobs(name, *jobs);
    const std::vector<std::string>& installed = printers_[static_cast<std::size_t>(*host)];
    const auto found = std::find(installed.begin(), installed.end(), name);
    if (found == installed.end()) return "error no printer " + name + " on " + words[1];
    switch_.computer(*host).spooler.printer(static_cast<int>(found - installed.begin())).jobsQueued = *jobs;
    return "ok " + name + " has " + words[count - 1] + " jobs";
}

}  // namespace pivora::switchsim
