#include <algorithm>

#include "console.h"
#include "console_words.h"

namespace pivora::switchsim {

namespace {
// Where a computer's own devices go: the root hub of its one host controller.
constexpr int kController = 0;
}  // namespace

std::string Console::local(const Words& words) {
    const std::optional<sim::Host> host = words.size() >= 4 ? parseHost(words[1]) : std::nullopt;
    if (!host) return "error usage: local <host> <vid> <pid> <description...> | local <host> unplug <vid> <pid>";
    return words[2] == "unplug" ? unplugLocal(*host, words) : plugLocal(*host, words);
}

std::string Console::plugLocal(sim::Host host, const Words& words) {
    const std::optional<std::uint16_t> vendorId = parseUsbId(words[2]);
    const std::optional<std::uint16_t> productId = parseUsbId(words[3]);
    if (!vendorId || !productId) return "error usage: local <host> <vid> <pid> <description...>";
    sim::SimUsbTree& usb = switch_.computer(host).usb;
    const int root = usb.rootHub(kController);
    const int connection = usb.freeConnection(root);
    if (connection < 0) return "error no free port on " + words[1] + "'s root hub";
    const std::string description = joinWords(words, 4, words.size());
    const int node = usb.addDevice(root, connection, *vendorId, *productId, description);
    local_[static_cast<std::size_t>(host)].push_back(LocalDevice{node, *vendorId, *productId, description});
    usb.treeChanged();
    return "ok plugged into " + words[1] + "'s root port " + std::to_string(connection);
}

std::string Console::unplugLocal(sim::Host host, const Words& words) {
    const std::optional<std::uint16_t> vendorId = words.size() == 5 ? parseUsbId(words[3]) : std::nullopt;
    const std::optional<std::uint16_t> productId = words.size() == 5 ? parseUsbId(words[4]) : std::nullopt;
    if (!vendorId || !productId) return "error usage: local <host> unplug <vid> <pid>";
    const std::uint16_t wantedVendorId = *vendorId;
    const std::uint16_t wantedProductId = *productId;
    std::vector<LocalDevice>& devices = local_[static_cast<std::size_t>(host)];
    const auto found = std::find_if(devices.begin(), devices.end(), [&](const LocalDevice& device) {
        return device.vendorId == wantedVendorId && device.productId == wantedProductId;
    });
    if (found == devices.end()) return "error no such device plugged into " + words[1];
    sim::SimUsbTree& usb = switch_.computer(host).usb;
    usb.unplug(found->node);
    devices.erase(found);
    usb.treeChanged();
    return "ok unplugged from " + words[1];
}

}  // namespace pivora::switchsim
