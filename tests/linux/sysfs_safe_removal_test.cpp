// Busy nodes are checked the way the backend checks them on a real system:
// a process's fd is a link, and what it leads to is matched by its device
// number. Creating a character device needs root, so the /proc the tests
// render holds links to devices every Linux system has (/dev/null is 1:3,
// /dev/zero 1:5), and the sysfs nodes are given those numbers; one test
// reads the real /proc while this process holds /dev/null open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/linux/sysfs_switch_usb.h"
#include "link/posix_fd.h"
#include "sysfs_tree.h"

namespace pivora {
namespace {

using testing::SysfsTree;
using testing::renderTwoPortSwitch;

class RecordingEjector : public StorageEjector {
public:
    RemovalResult answer = RemovalResult::Removed;
    std::vector<std::vector<std::string>> calls;
    RemovalResult eject(const std::vector<std::string>& disks) override {
        calls.push_back(disks);
        return answer;
    }
};

class RecordingTrace : public DiagnosticTrace {
public:
    std::vector<std::string> lines;
    void line(TraceChannel channel, const char* text) override {
        if (channel == TraceChannel::Text) lines.emplace_back(text);
    }
};

class NoNames : public UsbNameDatabase {
public:
    UsbIdNames lookup(std::uint16_t, std::uint16_t) override { return {}; }
};

class SafeRemovalTest : public ::testing::Test {
protected:
    SafeRemovalTest() { renderTwoPortSwitch(tree); }

    SysfsTree tree;
    RecordingEjector ejector;
    RecordingTrace trace;
    NoNames names;
    SysfsSwitchUsb usb{tree.sysRoot(), tree.procRoot(), ejector, names, trace};
};

TEST_F(SafeRemovalTest, DisksUnderTheDeviceGoToTheEjector) {
    tree.disk("1-1.3", "sdb");
    for (const RemovalResult answer : {RemovalResult::Removed, RemovalResult::Busy, RemovalResult::Failed}) {
        ejector.answer = answer;
        EXPECT_EQ(usb.safeRemove(UsbDeviceRef{"1-1.3"}), answer);
    }
    ASSERT_EQ(ejector.calls.size(), 3u);
    EXPECT_EQ(ejector.calls[0], (std::vector<std::string>{"sdb"}));
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"SafeRemove 1-1.3 disks=sdb Status=Removed",
                                                     "SafeRemove 1-1.3 disks=sdb Status=Busy",
                                                     "SafeRemove 1-1.3 disks=sdb Status=Failed"}));
}

// A hub on the port takes the disks of every device behind it along; the
// links out of a device (its driver, its subsystem) lead to other devices'
// disks and are never followed.
TEST_F(SafeRemovalTest, DisksBehindAHubAndNoneThroughLinks) {
    tree.hub("1-1.2", testing::ids::kOtherHubVendor, testing::ids::kOtherHubProduct, 2)
        .device("1-1.2.1", 0x1111, 0x0001)
        .device("1-1.2.2", 0x1111, 0x0002);
    tree.disk("1-1.2.2", "sdd");
    tree.disk("1-1.2.1", "sdc");
    tree.disk("1-1.4", "sde");
    tree.link("1-1.2", "driver", tree.deviceDir("1-1.4"));
    tree.link("1-1.2.1", "1-1.2.1:1.0/subsystem", tree.deviceDir("1-1.4"));
    EXPECT_EQ(usb.safeRemove(UsbDeviceRef{"1-1.2"}), RemovalResult::Removed);
    ASSERT_EQ(ejector.calls.size(), 1u);
    EXPECT_EQ(ejector.calls[0], (std::vector<std::string>{"sdc", "sdd"}));
    EXPECT_EQ(trace.lines.back(), "SafeRemove 1-1.2 disks=sdc,sdd Status=Removed");
}

// A device without disks is busy only while a process of ours holds one of
// the nodes a program works through; the nodes the desktop itself holds
// open all the time never count.
TEST_F(SafeRemovalTest, NodesHeldOpenMakeADeviceBusy) {
    const struct {
        const char* classPath;
        const char* number;
        const char* heldTarget;  // what the process has open; nullptr: nothing
        RemovalResult expected;
    } cases[] = {
        {"tty/ttyACM0", "1:3", "/dev/null", RemovalResult::Busy},
        {"ttyUSB0/tty/ttyUSB0", "1:3", "/dev/null", RemovalResult::Busy},
        {"usbmisc/lp0", "1:3", "/dev/null", RemovalResult::Busy},
        {"host6/target6:0:0/6:0:0:0/scsi_generic/sg2", "1:3", "/dev/null", RemovalResult::Busy},
        {"video4linux/video0", "1:3", "/dev/null", RemovalResult::Busy},
        {"tty/ttyACM0", "1:3", "/dev/zero", RemovalResult::Removed},  // another device
        {"tty/ttyACM0", "1:3", "/", RemovalResult::Removed},          // a directory, no device
        {"tty/ttyACM0", "1:3", "missing", RemovalResult::Removed},    // a dangling link
        {"tty/ttyACM0", "1:3", nullptr, RemovalResult::Removed},
        {"tty/ttyACM0", "one:three", "/dev/null", RemovalResult::Removed},  // no number to match
        {"usbmisc/hiddev0", "1:3", "/dev/null", RemovalResult::Removed},
        {"input/input7/event5", "1:3", "/dev/null", RemovalResult::Removed},
        {"hidraw/hidraw2", "1:3", "/dev/null", RemovalResult::Removed},
        {"sound/card1/controlC1", "1:3", "/dev/null", RemovalResult::Removed},
    };
    for (const auto& c : cases) {
        SysfsTree fresh;
        renderTwoPortSwitch(fresh);
        fresh.node("1-1.4", c.classPath, c.number);
        fresh.openFile(4242, 0, "socket:[1234]");
        if (c.heldTarget != nullptr) fresh.openFile(4242, 7, c.heldTarget);
        fresh.openFile(4242, 8, "/dev/zero");
        SysfsSwitchUsb freshUsb(fresh.sysRoot(), fresh.procRoot(), ejector, names, trace);
        EXPECT_EQ(freshUsb.safeRemove(UsbDeviceRef{"1-1.4"}), c.expected) << c.classPath << " " << c.heldTarget;
    }
    EXPECT_TRUE(ejector.calls.empty());
    EXPECT_EQ(trace.lines.front(), "SafeRemove 1-1.4 disks=none Status=Busy");
}

TEST_F(SafeRemovalTest, ThisProcessHoldingANodeOpenInTheRealProc) {
    tree.node("1-1.4", "tty/ttyACM0", "1:3");
    const link::PosixFd held(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(held);
    SysfsSwitchUsb realProc(tree.sysRoot(), "/proc", ejector, names, trace);
    EXPECT_EQ(realProc.safeRemove(UsbDeviceRef{"1-1.4"}), RemovalResult::Busy);
}

// Another user's processes are theirs to answer for: only ours count.
TEST_F(SafeRemovalTest, OtherUsersProcessesDoNotCount) {
    tree.node("1-1.4", "tty/ttyACM0", "1:3");
    tree.openFile(4242, 7, "/dev/null");
    const std::string process = tree.procRoot() + "/4242";
    if (::lchown(process.c_str(), ::geteuid() + 1, static_cast<gid_t>(-1)) != 0)
        GTEST_SKIP() << "giving a directory to another user needs root";
    EXPECT_EQ(usb.safeRemove(UsbDeviceRef{"1-1.4"}), RemovalResult::Removed);
}

TEST_F(SafeRemovalTest, GoneOrInvalidDevicesFail) {
    tree.disk("1-1.3", "sdb");
    tree.remove("1-1", "1-1.3");
    for (const char* ref : {"1-1.3", "", "usb1", "1-1:1.0", "../1-1", "1-1/1-1.3", "1-9"})
        EXPECT_EQ(usb.safeRemove(UsbDeviceRef{ref}), RemovalResult::Failed) << ref;
    EXPECT_TRUE(ejector.calls.empty());
    EXPECT_EQ(trace.lines.front(), "SafeRemove 1-1.3 disks=none Status=Failed");
    EXPECT_EQ(trace.lines[1], "SafeRemove (invalid) disks=none Status=Failed");
}

}  // namespace
}  // namespace pivora
