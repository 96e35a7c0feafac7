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

#include "platform/linux/sysfs_attribute.h"

namespace pivora {

namespace {

// The kernel numbers no more hidraw nodes than this; a directory holding
// more is not one to walk to its end.
constexpr std::size_t kMaxNodesScanned = 64;
constexpr std::size_t kMaxHexDigits = 8;
constexpr std::string_view kNodePrefix = "hidraw";
constexpr std::string_view kHidIdKey = "HID_ID=";

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
        const auto bus = parseHexNumber(value.substr(0, first), kMaxHexDigits);
        const auto vendor = parseHexNumber(value.substr(first + 1, second - first - 1), kMaxHexDigits);
        const auto product = parseHexNumber(value.substr(second + 1), kMaxHexDigits);
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
        const auto uevent = readSysfsAttribute(classDir + "/" + name + "/device/uevent");
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
