#include "platform/linux/usb_device_contents.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/linux/sysfs_attribute.h"

namespace pivora {

namespace {

namespace fs = std::filesystem;

// A disk sits six levels below its USB device (interface, SCSI host,
// target, SCSI device, block, disk), a few more behind a hub; the bounds
// stop a walk that a strange tree would otherwise keep going.
constexpr int kMaxDepth = 16;
constexpr std::size_t kMaxEntries = 65536;
constexpr std::size_t kMaxKernelName = 32;

// The kernel's names for disks and nodes: letters, digits and a few marks.
bool isKernelName(const std::string& name) {
    if (name.empty() || name.size() > kMaxKernelName || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.' || c == ':';
    });
}

enum class ClassDir { None, Block, Nodes, Printers };

ClassDir classOf(const std::string& name) {
    if (name == "block") return ClassDir::Block;
    if (name == "tty" || name == "scsi_generic" || name == "video4linux") return ClassDir::Nodes;
    if (name == "usbmisc") return ClassDir::Printers;
    return ClassDir::None;
}

class ContentsWalk {
public:
    UsbDeviceContents contents;

    // False when `dir` itself could not be opened.
    bool walk(const fs::path& dir, int depth) {
        std::error_code error;
        fs::directory_iterator entry(dir, error);
        if (error) return false;
        for (; !error && entry != fs::directory_iterator() && entriesLeft_ > 0; entry.increment(error)) {
            --entriesLeft_;
            // Links (driver, subsystem, port) lead out of the device: never followed.
            std::error_code entryError;
            if (!entry->is_directory(entryError) || entry->is_symlink(entryError)) continue;
            const std::string name = entry->path().filename().string();
            const ClassDir kind = classOf(name);
            if (kind == ClassDir::None) {
                if (depth < kMaxDepth) walk(entry->path(), depth + 1);
            } else {
                collect(entry->path(), kind);
            }
        }
        return true;
    }

private:
    void collect(const fs::path& classDir, ClassDir kind) {
        std::error_code error;
        fs::directory_iterator entry(classDir, error);
        for (; !error && entry != fs::directory_iterator() && entriesLeft_ > 0; entry.increment(error)) {
            --entriesLeft_;
            const std::string name = entry->path().filename().string();
            if (!isKernelName(name)) continue;
            if (kind == ClassDir::Block) {
                contents.disks.push_back(name);
                continue;
            }
            if (kind == ClassDir::Printers && name.compare(0, 2, "lp") != 0) continue;
            const auto text = readSysfsAttribute((entry->path() / "dev").string());
            const auto node = text ? parseDeviceNumber(*text) : std::nullopt;
            if (node) contents.busyNodes.push_back(*node);
        }
    }

    std::size_t entriesLeft_ = kMaxEntries;
};

}  // namespace

std::optional<UsbDeviceContents> readUsbDeviceContents(const std::string& deviceDir) {
    ContentsWalk walk;
    if (!walk.walk(deviceDir, 0)) return std::nullopt;
    auto& disks = walk.contents.disks;
    std::sort(disks.begin(), disks.end());
    disks.erase(std::unique(disks.begin(), disks.end()), disks.end());
    return std::move(walk.contents);
}

}  // namespace pivora
