#pragma once

#include <cstdint>
#include <string>

namespace pivora::sim {

// A sysfs and a /proc rendered into a directory. Devices are laid out as the
// kernel lays them out: each device's directory inside its parent hub's
// under devices/, reached through a link in bus/usb/devices (beside a link
// for its first interface), with the uevent file and subsystem link udev
// reads to announce it.
class SysfsTree {
public:
    // In a fresh temporary directory, removed with the object.
    SysfsTree();
    // In `root`, which is someone else's: left as it is at the end.
    explicit SysfsTree(std::string root);
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
    // The hidraw node `node` ("hidraw0") of a HID device on the device's
    // first interface, listed in class/hidraw; `hidUevent` is the HID
    // device's uevent text (HID_ID=...). Its directory, relative to sysRoot.
    std::string hidraw(const std::string& device, const std::string& node, const std::string& hidUevent);
    // /proc/<pid>/fd/<fd> leading to `target`.
    void openFile(int pid, int fd, const std::string& target);

    std::string deviceDir(const std::string& name) const;

private:
    void prepare();

    std::string root_;
    bool owned_ = true;
};

}  // namespace pivora::sim
