#include "sim/linux/sysfs_tree.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace pivora::sim {

namespace fs = std::filesystem;

namespace {

std::string hex4(std::uint16_t value) {
    char text[8];
    (void)std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

// As a uevent's PRODUCT writes an ID: hexadecimal, no leading zeros.
std::string hexShort(std::uint16_t value) {
    char text[8];
    (void)std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
    return text;
}

// The hub a device hangs from: "1-1.2" from "1-1", "1-1" from usb1.
std::string parentOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) return name.substr(0, dot);
    return "usb" + name.substr(0, name.find('-'));
}

}  // namespace

SysfsTree::SysfsTree() {
    // In memory where the machine has it: a tree is hundreds of small files
    // and links, each held up by the disk's journal elsewhere.
    std::error_code error;
    const char* base = std::getenv("TMPDIR");
    const std::string folder = fs::is_directory("/dev/shm", error) ? "/dev/shm"
                               : base != nullptr && base[0] != '\0' ? base
                                                                     : "/tmp";
    std::string pattern = folder + "/pivora-sysfs-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("no temporary directory");
    root_ = buffer.data();
    prepare();
}

SysfsTree::SysfsTree(std::string root) : root_(std::move(root)), owned_(false) { prepare(); }

void SysfsTree::prepare() {
    fs::create_directories(sysRoot() + "/bus/usb/devices");
    fs::create_directories(sysRoot() + "/class/hidraw");
    fs::create_directories(procRoot());
}

SysfsTree::~SysfsTree() {
    std::error_code ignored;
    if (owned_) fs::remove_all(root_, ignored);
}

std::string SysfsTree::deviceDir(const std::string& name) const {
    if (name.compare(0, 3, "usb") == 0) return sysRoot() + "/devices/pci0000:00/0000:00:14.0/" + name;
    return deviceDir(parentOf(name)) + "/" + name;
}

SysfsTree& SysfsTree::device(const std::string& name, std::uint16_t vendorId, std::uint16_t productId,
                             const std::string& manufacturer, const std::string& product) {
    const std::string dir = deviceDir(name);
    fs::create_directories(dir);
    write(name, "idVendor", hex4(vendorId) + "\n");
    write(name, "idProduct", hex4(productId) + "\n");
    write(name, "bDeviceClass", "00\n");
    write(name, "maxchild", "0\n");
    if (!manufacturer.empty()) write(name, "manufacturer", manufacturer + "\n");
    if (!product.empty()) write(name, "product", product + "\n");
    write(name, "uevent", "DEVTYPE=usb_device\nPRODUCT=" + hexShort(vendorId) + "/" + hexShort(productId) + "/0\n");
    link(name, "subsystem", sysRoot() + "/bus/usb");
    busLink(name, dir);
    // Interfaces are listed beside the devices; they are not devices.
    if (name.compare(0, 3, "usb") != 0) {
        const std::string interface = name + ":1.0";
        fs::create_directories(dir + "/" + interface);
        write(name, interface + "/bInterfaceClass", "08\n");
        write(name, interface + "/idVendor", hex4(vendorId) + "\n");
        write(name, interface + "/uevent", "DEVTYPE=usb_interface\n");
        link(name, interface + "/subsystem", sysRoot() + "/bus/usb");
        busLink(interface, dir + "/" + interface);
    }
    return *this;
}

SysfsTree& SysfsTree::hub(const std::string& name, std::uint16_t vendorId, std::uint16_t productId, int ports) {
    device(name, vendorId, productId);
    write(name, "bDeviceClass", "09\n");
    write(name, "maxchild", std::to_string(ports) + "\n");
    return *this;
}

void SysfsTree::unplug(const std::string& name) {
    const std::string devices = sysRoot() + "/bus/usb/devices/";
    fs::remove_all(deviceDir(name));
    // Its links, and those of its interfaces and of anything behind it.
    std::error_code error;
    std::vector<fs::path> links;
    for (const auto& entry : fs::directory_iterator(devices, error)) {
        const std::string linked = entry.path().filename().string();
        if (linked == name || linked.compare(0, name.size() + 1, name + ":") == 0 ||
            linked.compare(0, name.size() + 1, name + ".") == 0)
            links.push_back(entry.path());
    }
    // The hidraw nodes listed from inside it.
    for (const auto& entry : fs::directory_iterator(sysRoot() + "/class/hidraw", error))
        if (!fs::exists(entry.path(), error)) links.push_back(entry.path());
    for (const fs::path& link : links) fs::remove(link, error);
}

void SysfsTree::write(const std::string& device, const std::string& relativePath, const std::string& content) {
    const fs::path path = deviceDir(device) + "/" + relativePath;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

void SysfsTree::remove(const std::string& device, const std::string& relativePath) {
    fs::remove_all(deviceDir(device) + "/" + relativePath);
}

void SysfsTree::link(const std::string& device, const std::string& relativePath, const std::string& target) {
    const fs::path path = deviceDir(device) + "/" + relativePath;
    fs::remove_all(path);
    fs::create_directories(path.parent_path());
    fs::create_symlink(target, path);
}

void SysfsTree::busLink(const std::string& name, const std::string& target) {
    const fs::path path = sysRoot() + "/bus/usb/devices/" + name;
    fs::remove_all(path);
    fs::create_symlink(target, path);
}

void SysfsTree::disk(const std::string& device, const std::string& disk) {
    const std::string scsi = device + ":1.0/host6/target6:0:0/6:0:0:0";
    write(device, scsi + "/block/" + disk + "/dev", "8:16\n");
    write(device, scsi + "/block/" + disk + "/" + disk + "1/dev", "8:17\n");
    write(device, scsi + "/scsi_generic/sg1/dev", "21:1\n");
}

void SysfsTree::node(const std::string& device, const std::string& classPath, const std::string& number) {
    write(device, device + ":1.0/" + classPath + "/dev", number + "\n");
}

std::string SysfsTree::hidraw(const std::string& device, const std::string& node, const std::string& hidUevent) {
    const std::string hidDevice = device + ":1.0/0003:" + node;
    write(device, hidDevice + "/uevent", hidUevent);
    link(device, hidDevice + "/subsystem", sysRoot() + "/bus/hid");
    const std::string nodeDir = hidDevice + "/hidraw/" + node;
    write(device, nodeDir + "/dev", "247:" + node.substr(node.find_first_of("0123456789")) + "\n");
    write(device, nodeDir + "/uevent", "DEVNAME=" + node + "\n");
    link(device, nodeDir + "/subsystem", sysRoot() + "/class/hidraw");
    link(device, nodeDir + "/device", "../..");
    const std::string listed = sysRoot() + "/class/hidraw/" + node;
    std::error_code ignored;
    fs::remove(listed, ignored);
    fs::create_directory_symlink(deviceDir(device) + "/" + nodeDir, listed);
    return fs::relative(deviceDir(device) + "/" + nodeDir, sysRoot()).string();
}

void SysfsTree::openFile(int pid, int fd, const std::string& target) {
    const fs::path dir = procRoot() + "/" + std::to_string(pid) + "/fd";
    fs::create_directories(dir);
    fs::create_symlink(target, dir / std::to_string(fd));
}

}  // namespace pivora::sim
