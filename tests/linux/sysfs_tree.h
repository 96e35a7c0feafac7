#pragma once

#include <cstdint>
#include <string>

namespace pivora::testing {

// A sysfs and a /proc rendered into a temporary directory, removed with the
// object. Devices are laid out as the kernel lays them out: each device's
// directory inside its parent hub's under devices/, reached through a link
// in bus/usb/devices (beside a link for its first interface).
class SysfsTree {
public:
    SysfsTree();
    ~SysfsTree();
    SysfsTree(const SysfsTree&) = delete;
    SysfsTree& operator=(const SysfsTree&) = delete;

    std::string sysRoot() const { return root_ + "/sys"; }
    std::string procRoot() const { return root_ + "/proc"; }
    const std::string& root() const { return root_; }

    // A device at its place ("1-1.2", or a root hub "usb1"), with its
    // strings when given (an empty one is left out, as the kernel does for
    // a device that has none).
    SysfsTree& device(const std::string& name, std::uint16_t vendorId, std::uint16_t productId,
                      const std::string& manufacturer = "", const std::string& product = "");
    SysfsTree& hub(const std::string& name, std::uint16_t vendorId, std::uint16_t productId, int ports);

    // The device and everything below it gone, as when it is unplugged.
    void unplug(const std::string& name);

    // Raw files of a device, for what the kernel would never write.
    void write(const std::string& device, const std::string& relativePath, const std::string& content);
    void remove(const std::string& device, const std::string& relativePath);
    void link(const std::string& device, const std::string& relativePath, const std::string& target);
    // bus/usb/devices/<name> leading where `target` says.
    void busLink(const std::string& name, const std::string& target);

    // A SCSI disk on the device's first interface, with one partition.
    void disk(const std::string& device, const std::string& disk);
    // A node with its device number ("1:3") at `classPath` under the
    // device's first interface ("tty/ttyACM0", "usbmisc/lp0").
    void node(const std::string& device, const std::string& classPath, const std::string& number);
    // /proc/<pid>/fd/<fd> leading to `target`.
    void openFile(int pid, int fd, const std::string& target);

    std::string deviceDir(const std::string& name) const;

private:
    std::string root_;
};

// The usual switch in its two-port form: root hub usb1, the switch's hub
// 1-1 (4 ports) with the controller on its first port and a stick on 1-1.3
// and a mouse on 1-1.4.
void renderTwoPortSwitch(SysfsTree& tree);

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

}  // namespace pivora::testing
