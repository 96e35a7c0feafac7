#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pivora {

// A hidraw node as sysfs describes it: where to open it, and the USB ID of
// the HID device behind it.
struct HidrawNode {
    std::string path;  // <dev>/hidrawN
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

struct HidId {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// The vendor and product of the `HID_ID=<bus>:<vendor>:<product>` line of a
// HID device's uevent text (each field hex, 8 digits at most), or nothing
// when that line is missing or malformed, or an ID does not fit 16 bits.
std::optional<HidId> parseHidId(std::string_view uevent);

// The nodes of `<sysRoot>/class/hidraw`, in the order of their numbers, each
// with the ID from its `device/uevent`: no node is opened, so a device this
// user may not open is listed all the same. At most `maxNodes`; a node
// whose uevent cannot be read or gives no ID, or whose path would be longer
// than `maxPathLength`, is left out.
std::vector<HidrawNode> listHidrawNodes(const std::string& sysRoot, const std::string& devRoot, std::size_t maxNodes,
                                        std::size_t maxPathLength);

}  // namespace pivora
