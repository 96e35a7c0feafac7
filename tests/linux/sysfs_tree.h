#pragma once

#include <cstdint>

#include "sim/linux/sysfs_tree.h"

namespace pivora::testing {

using SysfsTree = sim::SysfsTree;

namespace ids {
constexpr std::uint16_t kRootVendor = 0x1d6b;
constexpr std::uint16_t kRootProduct = 0x0002;
constexpr std::uint16_t kSwitchVendor = 0x0424;
constexpr std::uint16_t kSwitchProduct = 0x2524;
constexpr std::uint16_t kControllerVendor = 0x04b4;
constexpr std::uint16_t kControllerProduct = 0x120d;
constexpr std::uint16_t kStickVendor = 0x0951;
constexpr std::uint16_t kStickProduct = 0x1666;
constexpr std::uint16_t kMouseVendor = 0x046d;
constexpr std::uint16_t kMouseProduct = 0xc077;
constexpr std::uint16_t kOtherHubVendor = 0x05e3;
constexpr std::uint16_t kOtherHubProduct = 0x0608;
}  // namespace ids

// The usual switch in its two-port form: root hub usb1, the switch's hub
// 1-1 (4 ports) with the controller on its first port and a stick on 1-1.3
// and a mouse on 1-1.4.
inline void renderTwoPortSwitch(SysfsTree& tree) {
    using namespace ids;
    tree.hub("usb1", kRootVendor, kRootProduct, 2)
        .hub("1-1", kSwitchVendor, kSwitchProduct, 4)
        .device("1-1.1", kControllerVendor, kControllerProduct, "Pivora", "Switch controller")
        .device("1-1.3", kStickVendor, kStickProduct, "Kingston", "DataTraveler 3.0")
        .device("1-1.4", kMouseVendor, kMouseProduct, "Logitech", "USB Optical Mouse");
}

}  // namespace pivora::testing
