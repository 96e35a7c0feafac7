#include "platform/linux/hidraw_nodes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "link/posix_fd.h"

namespace pivora {

namespace {

// A uevent is a few hundred bytes; anything past this is not one.
constexpr std::size_t kMaxUeventBytes = 4096;
// The kernel numbers no more hidraw nodes than this; a directory holding
// more is not one to walk to its end.
constexpr std::size_t kMaxNodesScanned = 64;
constexpr std::size_t kMaxHexDigits = 8;
constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::string_view kHidIdKey = "HID_ID=";

// The whole of a regular file no larger than kMaxUeventBytes, or nothing.
std::optional<std::string> readSmallFile(const std::string& path) {
    // O_NONBLOCK: a FIFO in its place must not hold the listing up.
    const link::PosixFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) return std::nullopt;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;

    std::array<char, kMaxUeventBytes + 1> buffer{};
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t got = ::read(fd.get(), buffer.data() + filled, buffer.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    if (filled > kMaxUeventBytes) return std::nullopt;
    return std::string(buffer.data(), filled);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One hex field of 1 to 8 digits, the whole of `text`.
std::optional<std::uint32_t> parseHexField(std::string_view text) {
    if (text.empty() || text.size() > kMaxHexDigits) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// N of a directory entry named hidrawN.
std::optional<unsigned> nodeNumber(std::string_view name) {
    if (name.substr(0, kNodePrefix.size()) != kNodePrefix) return std::nullopt;
    const std::string_view digits = name.substr(kNodePrefix.size());
    constexpr std::size_t kMaxDigits = 9;
    if (digits.empty() || digits.size() > kMaxDigits) return std::nullopt;
    unsigned number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number;
}

}  // namespace

std::optional<HidId> parseHidId(std::string_view uevent) {
    std::string_view rest = uevent;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (line.substr(0, kHidIdKey.size()) != kHidIdKey) continue;

        const std::string_view value = line.substr(kHidIdKey.size());
        const std::size_t first = value.find(':');
        if (first == std::string_view::npos) return std::nullopt;
        const std::size_t second = value.find(':', first + 1);
        if (second == std::string_view::npos) return std::nullopt;
        const auto bus = parseHexField(value.substr(0, first));
        const auto vendor = parseHexField(value.substr(first + 1, second - first - 1));
        const auto product = parseHexField(value.substr(second + 1));
        constexpr std::uint32_t kMaxId = 0xFFFF;
        if (!bus || !vendor || !product || *vendor > kMaxId || *product > kMaxId) return std::nullopt;
        return HidId{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
    }
    return std::nullopt;
}

std::vector<HidrawNode> listHidrawNodes(const std::string& sysRoot, const std::string& devRoot, std::size_t maxNodes,
                                        std::size_t maxPathLength) {
    const std::string classDir = sysRoot + "/class/hidraw";
    // Each node's number, to order them by, and its entry's name.
    std::vector<std::pair<unsigned, std::string>> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(classDir, error), end;
         !error && entry != end && entries.size() < kMaxNodesScanned; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (const auto number = nodeNumber(name)) entries.emplace_back(*number, std::move(name));
    }
    // Directory order is the filesystem's; the numbers give one that holds
    // from one listing to the next.
    std::sort(entries.begin(), entries.end());

    std::vector<HidrawNode> nodes;
    for (const auto& entry : entries) {
        if (nodes.size() >= maxNodes) break;
        const std::string& name = entry.second;
        HidrawNode node;
        node.path = devRoot + "/" + name;
        if (node.path.size() > maxPathLength) continue;
        const auto uevent = readSmallFile(classDir + "/" + name + "/device/uevent");
        if (!uevent) continue;
        const auto id = parseHidId(*uevent);
        if (!id) continue;
        node.vendorId = id->vendorId;
        node.productId = id->productId;
        nodes.push_back(std::move(node));
    }
    return nodes;
}

}  // namespace pivora
