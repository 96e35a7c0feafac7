// The Linux USB side against a hostile sysfs: the input renders a tree of
// devices into a temporary directory (any attribute contents, over-long
// files, symlinks that loop, dangle or lead back up, stray names, a /proc
// whose fds lead anywhere) and every SwitchUsb query runs over it. Each
// answer must stay inside its buffer and agree with the others.
//
// Input: [ejector's answer u8][a USB ID u16 u16], then operations, each
// [operation u8][its arguments] (see render()).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "adversary.h"
#include "fuzz_input.h"
#include "platform/linux/sysfs_present_usb_devices.h"
#include "platform/linux/sysfs_switch_usb.h"
#include "platform/linux/usb_device_name.h"

namespace pivora::fuzz {
namespace {

namespace fs = std::filesystem;

const std::array<const char*, 16> kNames = {"usb1",  "usb2",    "usb10",   "1-1",     "1-2",     "1-1.1",
                                            "1-1.2", "1-1.3",   "1-1.4",   "1-1.2.1", "1-1.2.2", "2-1",
                                            "2-1.1", "2-1.1.1", "10-1",    "1-1.2.1.1"};
// Attributes of a device; the nodes sit under its first interface.
const std::array<const char*, 12> kAttributes = {"idVendor",
                                                 "idProduct",
                                                 "maxchild",
                                                 "bDeviceClass",
                                                 "manufacturer",
                                                 "product",
                                                 "serial",
                                                 ":1.0/tty/ttyACM0/dev",
                                                 ":1.0/usbmisc/lp0/dev",
                                                 ":1.0/host0/target0:0:0/0:0:0:0/block/sdb/dev",
                                                 ":1.0/input/input1/event1/dev",
                                                 ":1.0/video4linux/video0/dev"};
constexpr std::size_t kMaxOperations = 96;
constexpr std::size_t kMaxRawText = 5000;
constexpr std::uint16_t kSwitchVendor = 0x0424;
constexpr std::uint16_t kSwitchProduct = 0x2524;

class Scratch {
public:
    Scratch() {
        // The tree is rendered anew for every input: in memory, where the
        // disk's journal does not hold each link and directory up.
        std::error_code error;
        const char* base = std::getenv("TMPDIR");
        const std::string folder = fs::is_directory("/dev/shm", error) ? "/dev/shm"
                                   : base != nullptr && base[0] != '\0' ? base
                                                                         : "/tmp";
        std::string pattern = folder + "/sysfs-fuzz-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        require(mkdtemp(buffer.data()) != nullptr, "a scratch directory");
        root = buffer.data();
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string root;
};

class Renderer {
public:
    explicit Renderer(const std::string& root) : sys_(root + "/sys"), proc_(root + "/proc") {
        std::error_code ignored;
        fs::remove_all(sys_, ignored);
        fs::remove_all(proc_, ignored);
        fs::create_directories(bus(), ignored);
        fs::create_directories(proc_, ignored);
    }

    const std::string& sys() const { return sys_; }
    const std::string& proc() const { return proc_; }

    void render(FuzzInput& input) {
        for (std::size_t step = 0; step < kMaxOperations && !input.empty(); ++step) {
            const std::string name = kNames.at(input.below(kNames.size()));
            switch (input.u8() % 8) {
                case 0:
                    makeDevice(name);
                    break;
                case 1: {
                    // Separate statements: the path picks the attribute the value is made for.
                    const std::string path = attributePath(name, input);
                    writeFile(path, wellFormed(input));
                    break;
                }
                case 2: {
                    const std::string path = attributePath(name, input);
                    writeFile(path, input.text(kMaxRawText));
                    break;
                }
                case 3:
                    linkAttribute(name, input);
                    break;
                case 4:
                    linkBusEntry(name, input);
                    break;
                case 5:
                    removeSome(name, input);
                    break;
                case 6:
                    openInProc(input);
                    break;
                default:
                    strayEntry(name, input);
                    break;
            }
        }
    }

private:
    std::string bus() const { return sys_ + "/bus/usb/devices"; }

    // Nested as the kernel nests them: a device inside its hub's directory.
    std::string deviceDir(const std::string& name) const {
        if (name.compare(0, 3, "usb") == 0) return sys_ + "/devices/" + name;
        const std::size_t dot = name.rfind('.');
        const std::string parent = dot != std::string::npos ? name.substr(0, dot) : "usb" + name.substr(0, name.find('-'));
        return deviceDir(parent) + "/" + name;
    }

    std::string attributePath(const std::string& name, FuzzInput& input) {
        attribute_ = input.below(kAttributes.size());
        const std::string attribute = kAttributes.at(attribute_);
        return deviceDir(name) + (attribute.front() == ':' ? "/" + name + attribute : "/" + attribute);
    }

    // A value as the kernel would write the chosen attribute, to get past
    // the parsers to the walks.
    std::string wellFormed(FuzzInput& input) const {
        const unsigned value = input.u16();
        std::array<char, 32> text{};
        if (attribute_ <= 1) {
            (void)std::snprintf(text.data(), text.size(), "%04x\n", value);
        } else if (attribute_ == 2) {
            (void)std::snprintf(text.data(), text.size(), "%u\n", value % 300);
        } else if (attribute_ == 3) {
            (void)std::snprintf(text.data(), text.size(), "%02x\n", value & 0xffu);
        } else if (attribute_ <= 6) {
            (void)std::snprintf(text.data(), text.size(), "Name %u\n", value);
        } else {
            (void)std::snprintf(text.data(), text.size(), "%u:%u\n", value >> 8, value & 0xffu);
        }
        return text.data();
    }

    void makeDevice(const std::string& name) {
        std::error_code ignored;
        fs::create_directories(deviceDir(name), ignored);
        fs::remove(bus() + "/" + name, ignored);
        fs::create_symlink(deviceDir(name), bus() + "/" + name, ignored);
    }

    static void writeFile(const std::string& path, const std::string& content) {
        std::error_code ignored;
        fs::create_directories(fs::path(path).parent_path(), ignored);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return;
        (void)!::write(fd, content.data(), content.size());
        (void)::close(fd);
    }

    static void replaceWithLink(const std::string& path, const std::string& target) {
        std::error_code ignored;
        fs::create_directories(fs::path(path).parent_path(), ignored);
        fs::remove_all(path, ignored);
        fs::create_symlink(target, path, ignored);
    }

    // Every target stays inside the scratch directory.
    void linkAttribute(const std::string& name, FuzzInput& input) {
        const std::string path = attributePath(name, input);
        const std::array<std::string, 5> targets = {fs::path(path).filename().string(), "idVendor", ".", "..",
                                                    "nowhere"};
        replaceWithLink(path, targets.at(input.below(targets.size())));
    }

    void linkBusEntry(const std::string& name, FuzzInput& input) {
        const std::string other = kNames.at(input.below(kNames.size()));
        const std::array<std::string, 5> targets = {name, other, ".", "nowhere", deviceDir(other)};
        replaceWithLink(bus() + "/" + name, targets.at(input.below(targets.size())));
    }

    void removeSome(const std::string& name, FuzzInput& input) {
        std::error_code ignored;
        fs::remove_all(input.flag() ? deviceDir(name) : attributePath(name, input), ignored);
    }

    void openInProc(FuzzInput& input) {
        const std::string dir = proc_ + "/" + std::to_string(100 + input.below(4)) + "/fd";
        const std::string path = dir + "/" + std::to_string(input.u8());
        const std::array<std::string, 5> targets = {"/dev/null", "/dev/zero", path, "/nonexistent", "/"};
        replaceWithLink(path, targets.at(input.below(targets.size())));
    }

    // A name no kernel writes, as a disk or beside the devices.
    void strayEntry(const std::string& name, FuzzInput& input) {
        std::string stray = input.text(40);
        std::replace(stray.begin(), stray.end(), '/', '_');
        std::replace(stray.begin(), stray.end(), '\0', '_');
        if (stray.empty() || stray == "." || stray == "..") return;
        std::error_code ignored;
        fs::create_directories(input.flag() ? bus() + "/" + stray : deviceDir(name) + "/" + name + ":1.0/block/" + stray,
                               ignored);
    }

    std::string sys_;
    std::string proc_;
    std::uint32_t attribute_ = 0;
};

class CheckingEjector : public StorageEjector {
public:
    RemovalResult answer = RemovalResult::Failed;
    RemovalResult eject(const std::vector<std::string>& disks) override {
        require(!disks.empty(), "disks handed over only when there are some");
        require(std::is_sorted(disks.begin(), disks.end()) &&
                    std::adjacent_find(disks.begin(), disks.end()) == disks.end(),
                "each disk once, in order");
        for (const std::string& disk : disks)
            require(!disk.empty() && disk.find('/') == std::string::npos && disk != "." && disk != "..",
                    "a disk's name is a plain name");
        return answer;
    }
};

class LongNames : public UsbNameDatabase {
public:
    UsbIdNames lookup(std::uint16_t vendorId, std::uint16_t) override {
        if (vendorId % 3 == 0) return {};
        return {std::string(vendorId % 200, 'v'), "Model \xe2\x80\xa6" + std::string(vendorId % 160, 'm')};
    }
};

class CheckingTrace : public DiagnosticTrace {
public:
    void line(TraceChannel, const char* text) override {
        require(text != nullptr && std::strncmp(text, "SafeRemove ", 11) == 0, "a removal's trace line");
    }
};

void removeAndCheck(SysfsSwitchUsb& usb, const std::string& reference) {
    const RemovalResult result = usb.safeRemove(UsbDeviceRef{reference});
    require(result == RemovalResult::Removed || result == RemovalResult::Busy || result == RemovalResult::Failed,
            "a removal's result is one of three");
}

void queryPorts(SysfsSwitchUsb& usb, const std::string& hub) {
    std::uint32_t count = 0;
    const int counted = usb.getHubPortCount(hub.c_str(), &count);
    require(counted == 0 || (counted == 1 && count <= SysfsUsbDevices::kMaxPorts), "a port count within bounds");
    for (int port = -1; port <= 5; ++port) {
        std::uint16_t vendorId = 1;
        std::uint16_t productId = 1;
        std::uint32_t isHub = 1;
        const int found = usb.queryHubPort(hub.c_str(), port, &vendorId, &productId, &isHub);
        require(found == 1 || (found == 0 && vendorId == 0 && productId == 0 && isHub == 0), "zeros for no device");
        require(found == 0 || (counted == 1 && port >= 0 && static_cast<std::uint32_t>(port) < count),
                "devices only on the hub's ports");
        if (found == 0) continue;
        // The device just seen on the port is found there by its place.
        UsbDeviceRef ref;
        require(usb.findDeviceOnHubPort(hub.c_str(), port, vendorId, productId, &ref) == 1 &&
                    UsbDeviceName::parse(ref.id).has_value(),
                "the device on a port is found by its place");
        std::array<char, SwitchUsb::kDescriptionSize> text{};
        require(usb.findPresentDevice(vendorId, productId, text.data()) == 1, "a device on a port is present");
        require(terminatedWithin(text.data(), text.size()), "a description ends within its buffer");
        removeAndCheck(usb, ref.id);
    }
}

}  // namespace
}  // namespace pivora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pivora;
    using namespace pivora::fuzz;
    static Scratch scratch;
    FuzzInput input(data, size);
    CheckingEjector ejector;
    ejector.answer = static_cast<RemovalResult>(input.below(3));
    const std::uint16_t vendorId = input.u16();
    const std::uint16_t productId = input.u16();

    Renderer renderer(scratch.root);
    renderer.render(input);
    LongNames names;
    CheckingTrace trace;
    SysfsSwitchUsb usb(renderer.sys(), renderer.proc(), ejector, names, trace);

    std::vector<std::string> hubs(kNames.begin(), kNames.end());
    for (const auto& id : {std::array<std::uint16_t, 2>{vendorId, productId},
                           std::array<std::uint16_t, 2>{kSwitchVendor, kSwitchProduct}}) {
        std::vector<char> hub(SwitchUsb::kHubRefSize, 'x');
        if (usb.locateHub(id[0], id[1], hub.data()) == 1) {
            require(terminatedWithin(hub.data(), hub.size()), "a hub reference ends within its buffer");
            const auto parsed = UsbDeviceName::parse(hub.data());
            require(parsed.has_value() && !parsed->rootHub, "the hub found is a device on a port");
            hubs.emplace_back(hub.data());
        }
        std::vector<char> text(SwitchUsb::kDescriptionSize, 'x');
        if (usb.findKnownDevice(id[0], id[1], text.data()) == 1)
            require(terminatedWithin(text.data(), text.size()), "a known description ends within its buffer");
    }
    std::array<char, SwitchUsb::kDescriptionSize> none{};
    require(usb.findKnownDevice(0, 0, none.data()) == 0, "(0, 0) is never known");

    for (const std::string& hub : hubs) queryPorts(usb, hub);
    for (const char* name : kNames) removeAndCheck(usb, name);

    SysfsPresentUsbDevices present(renderer.sys());
    for (const UsbIdentity& device : present.list())
        require(usb.findPresentDevice(device.vendorId, device.productId, nullptr) == 1, "a listed device is present");
    return 0;
}
