#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "link/posix_fd.h"
#include "platform/linux/hidraw_report_channel.h"
#include "recording_trace.h"
#include "sim/switch_firmware.h"
#include "sim/virtual_clock.h"

namespace pivora::test {

namespace fs = std::filesystem;

constexpr const char* kControllerUevent =
    "DRIVER=hid-generic\nHID_ID=0003:000004B4:0000120D\nHID_NAME=Cypress USB Switch\nHID_PHYS=usb-0000:00:14.0-2/input0\n";
constexpr const char* kKeyboardUevent = "DRIVER=hid-generic\nHID_ID=0003:0000046D:0000C31C\n";

// A sysfs and a /dev rendered into a fresh temporary directory, laid out as
// the kernel lays them: class/hidraw/hidrawN is a link into devices/, and
// its `device` a link up to the HID device whose uevent names the ID.
class HidrawTree {
public:
    HidrawTree() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/pivora-hidraw-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        root_ = pattern;
        fs::create_directories(root_ / "sys/class/hidraw");
        fs::create_directories(root_ / "dev");
    }
    ~HidrawTree() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    HidrawTree(const HidrawTree&) = delete;
    HidrawTree& operator=(const HidrawTree&) = delete;

    std::string sys() const { return (root_ / "sys").string(); }
    std::string dev() const { return (root_ / "dev").string(); }
    std::string devPath(const std::string& node) const { return dev() + "/" + node; }

    // A node whose HID device has `uevent` for its uevent file.
    void addNode(const std::string& node, const std::string& uevent) {
        write(addNodeWithoutUevent(node) / "uevent", uevent);
    }

    // A node whose HID device directory is there, and its uevent is not;
    // the directory is returned to put something else in its place.
    fs::path addNodeWithoutUevent(const std::string& node) {
        const fs::path hidDevice = root_ / "sys/devices/usb1/1-2/1-2:1.0" / ("0003:" + node);
        const fs::path nodeDir = hidDevice / "hidraw" / node;
        fs::create_directories(nodeDir);
        fs::create_directory_symlink("../..", nodeDir / "device");
        fs::create_directory_symlink(fs::relative(nodeDir, root_ / "sys/class/hidraw"),
                                     root_ / "sys/class/hidraw" / node);
        return hidDevice;
    }

    // A node whose `device` link points at itself.
    void addLoopingNode(const std::string& node) {
        const fs::path nodeDir = root_ / "sys/class/hidraw" / node;
        fs::create_directories(nodeDir);
        fs::create_symlink("device", nodeDir / "device");
    }

    static void write(const fs::path& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary);
        out << text;
    }

private:
    fs::path root_;
};

// Hidraw nodes stood in for by SOCK_SEQPACKET pairs, which keep each report
// whole and one per read as hidraw does: the channel opens its end through
// `open`, the test plays the controller at the other. Paths with no stand-in
// are opened for real.
class StandInNodes {
public:
    // `sendBuffer`: the channel end's SO_SNDBUF, so that a test can fill it.
    void plug(const std::string& path, int sendBuffer = 4096) {
        std::array<int, 2> ends{-1, -1};
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends.data()), 0);
        link::PosixFd channelEnd(ends[0]);
        link::PosixFd controllerEnd(ends[1]);
        ASSERT_EQ(::setsockopt(channelEnd.get(), SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof(sendBuffer)), 0);
        nodes_[path] = {std::move(channelEnd), std::move(controllerEnd)};
    }

    // The controller goes: its end closes, as the node does when unplugged.
    void unplug(const std::string& path) {
        const auto node = nodes_.find(path);
        if (node != nodes_.end()) node->second.controllerEnd = link::PosixFd();
    }

    // The controller's end of a node plugged; an end that is closed if none.
    int controllerEnd(const std::string& path) {
        const auto node = nodes_.find(path);
        return node == nodes_.end() ? -1 : node->second.controllerEnd.get();
    }

    // Hands the node's channel end over, once, with the status flags asked for.
    int open(const char* path, int flags) {
        lastFlags = flags;
        const auto node = nodes_.find(path);
        if (node == nodes_.end()) return HidrawReportChannel::systemOpen(path, flags);
        link::PosixFd& end = node->second.channelEnd;
        if (!end) {
            errno = ENOENT;
            return -1;
        }
        if ((flags & O_NONBLOCK) != 0) ::fcntl(end.get(), F_SETFL, O_NONBLOCK);
        const int fd = ::fcntl(end.get(), (flags & O_CLOEXEC) != 0 ? F_DUPFD_CLOEXEC : F_DUPFD, 0);
        end = link::PosixFd();
        return fd;
    }

    HidrawReportChannel::OpenNode opener() {
        return [this](const char* path, int flags) { return open(path, flags); };
    }

    int lastFlags = 0;

private:
    struct Node {
        link::PosixFd channelEnd;
        link::PosixFd controllerEnd;
    };
    std::map<std::string, Node> nodes_;
};

// A channel over a rendered tree and stand-in nodes, the controller firmware
// answering at the far end of the node `wired`, all in virtual time: a pump
// on the clock hands the firmware what the channel wrote, every millisecond.
class HidrawChannelTest : public ::testing::Test {
protected:
    HidrawChannelTest() : channel(tree.sys(), tree.dev(), clock, trace, nodes.opener()) {
        // A write to a stand-in whose peer has gone raises SIGPIPE, which a
        // real hidraw node never does.
        std::signal(SIGPIPE, SIG_IGN);
        channel.setReportLength(8);
        firmware.connectOutlet([this](sim::Host host, const sim::WireReport& report) {
            if (host == sim::Host::A)
                ::send(nodes.controllerEnd(wired), report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        });
        pump();
    }

    void plugController(const std::string& node) {
        tree.addNode(node, kControllerUevent);
        nodes.plug(tree.devPath(node));
    }

    // The controller sends `length` bytes of its own.
    void controllerSends(const std::uint8_t* bytes, std::size_t length) {
        ASSERT_EQ(::send(nodes.controllerEnd(wired), bytes, length, MSG_DONTWAIT | MSG_NOSIGNAL),
                  static_cast<ssize_t>(length));
    }
    void controllerSends(const sim::WireReport& report) { controllerSends(report.data(), report.size()); }

    Bytes pollBytes(int expectedLength) {
        std::array<std::uint8_t, 8> buffer{};
        buffer.fill(0xEE);
        EXPECT_EQ(channel.poll(buffer.data()), expectedLength);
        return Bytes(buffer.begin(), buffer.end());
    }

    template <typename Call>
    std::uint64_t elapsed(Call call) {
        const std::uint64_t start = clock.now();
        call();
        return clock.now() - start;
    }

    std::string wired = "";
    bool pumping = true;
    HidrawTree tree;
    StandInNodes nodes;
    sim::VirtualClock clock;
    sim::SwitchFirmware firmware{clock};
    RecordingTrace trace;
    HidrawReportChannel channel;

private:
    void pump() {
        if (pumping) {
            std::array<std::uint8_t, 64> bytes{};
            for (;;) {
                const ssize_t got = ::recv(nodes.controllerEnd(wired), bytes.data(), bytes.size(), MSG_DONTWAIT);
                if (got <= 0) break;
                firmware.receive(sim::Host::A, bytes.data(), static_cast<std::size_t>(got));
            }
        }
        clock.schedule(1, [this] { pump(); });
    }
};

}  // namespace pivora::test
