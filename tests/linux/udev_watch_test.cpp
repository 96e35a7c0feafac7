#include <gtest/gtest.h>
#include <gio/gunixsocketaddress.h>
#include <umockdev.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "main_context_spin.h"
#include "platform/linux/gio_handles.h"
#include "platform/linux/udev_watch.h"

namespace pivora::test {
namespace {

// A device as umockdev makes it: its uevent carries DEVTYPE, which is what
// tells a USB device from one of its interfaces.
struct MockDevice {
    const char* subsystem;
    const char* name;
    const char* devtype;  // null: none
};

void PrintTo(const MockDevice& device, std::ostream* os) {
    *os << device.subsystem << "/" << device.name;
    if (device.devtype) *os << "/" << device.devtype;
}

// A watch on a fresh umockdev testbed, counting its calls. The testbed comes
// first: it is what points the preload library's /sys and netlink at itself,
// and the watch must open its monitor after that.
class UdevWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!umockdev_in_mock_environment()) GTEST_SKIP() << "needs umockdev's preload: run under umockdev-wrapper";
        watch = std::make_unique<UdevWatch>([this] { ++calls; });
        ASSERT_TRUE(watch->start());
    }

    // Adds the device to the testbed, which announces it ("add"); its path.
    GCharHandle add(const MockDevice& device) {
        return GCharHandle(umockdev_testbed_add_device(testbed.get(), device.subsystem, device.name, nullptr,
                                                       nullptr,  // no attributes; then the properties
                                                       device.devtype ? "DEVTYPE" : nullptr, device.devtype, nullptr));
    }

    // Whether a call comes, within the deadline.
    bool called() {
        return spinUntil(g_main_context_default(), [this] { return calls > 0; });
    }

    // Runs the default context for a while, long enough for an event already
    // sent to be read; for when none may come.
    void runAWhile() {
        const gint64 until = g_get_monotonic_time() + 100 * G_USEC_PER_SEC / 1000;
        while (g_get_monotonic_time() < until)
            if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
    }

    // Sends `text` as one datagram to each monitor socket umockdev keeps in
    // its testbed (named event<fd>, where its uevents go too); how many.
    int sendToMonitors(const std::string& text) {
        const GCharHandle root(umockdev_testbed_get_root_dir(testbed.get()));
        const std::unique_ptr<GDir, void (*)(GDir*)> dir(g_dir_open(root.get(), 0, nullptr), g_dir_close);
        const GObjectHandle<GSocket> sender(
            g_socket_new(G_SOCKET_FAMILY_UNIX, G_SOCKET_TYPE_DATAGRAM, G_SOCKET_PROTOCOL_DEFAULT, nullptr));
        if (!dir || !sender) return 0;
        int sent = 0;
        while (const gchar* name = g_dir_read_name(dir.get())) {
            if (!g_str_has_prefix(name, "event")) continue;
            const GCharHandle path(g_build_filename(root.get(), name, nullptr));
            const GObjectHandle<GSocketAddress> address(g_unix_socket_address_new(path.get()));
            if (g_socket_send_to(sender.get(), address.get(), text.data(), text.size(), nullptr, nullptr) ==
                static_cast<gssize>(text.size()))
                ++sent;
        }
        return sent;
    }

    GObjectHandle<UMockdevTestbed> testbed{umockdev_testbed_new()};
    int calls = 0;
    std::unique_ptr<UdevWatch> watch;
};

class WatchedDevice : public UdevWatchTest, public ::testing::WithParamInterface<MockDevice> {};

// A USB device or a hidraw node coming and going is heard each time.
TEST_P(WatchedDevice, ArrivalAndRemovalAreHeard) {
    const GCharHandle path = add(GetParam());
    ASSERT_TRUE(called()) << "no call for the arrival";

    // umockdev takes a device away without a word: the removal is announced
    // here, as the kernel would.
    calls = 0;
    umockdev_testbed_uevent(testbed.get(), path.get(), "remove");
    EXPECT_TRUE(called()) << "no call for the removal";
}

INSTANTIATE_TEST_SUITE_P(UdevWatch, WatchedDevice,
                         ::testing::Values(MockDevice{"usb", "1-1", "usb_device"},
                                           MockDevice{"hidraw", "hidraw0", nullptr}));

class IgnoredDevice : public UdevWatchTest, public ::testing::WithParamInterface<MockDevice> {};

// What the control has no use for wakes nobody; a USB device after it still
// does, so the silence is the filter's, not a deaf watch's.
TEST_P(IgnoredDevice, ComingAndGoingIsNotHeard) {
    const GCharHandle path = add(GetParam());
    umockdev_testbed_uevent(testbed.get(), path.get(), "remove");
    runAWhile();
    EXPECT_EQ(calls, 0);

    add({"usb", "2-1", "usb_device"});
    EXPECT_TRUE(called());
}

INSTANTIATE_TEST_SUITE_P(UdevWatch, IgnoredDevice,
                         ::testing::Values(MockDevice{"block", "sda", "disk"},
                                           MockDevice{"usb", "1-1:1.0", "usb_interface"},
                                           MockDevice{"input", "input3", nullptr}));

// Events sent together, wanted and not, are all waiting before the main loop
// next looks: one burst, one call, and no further call for a read that
// finds nothing.
TEST_F(UdevWatchTest, SeveralEventsAtOnceAreHeardWithoutEmptyCalls) {
    const std::vector<MockDevice> burst{{"block", "sda", "disk"},
                                        {"usb", "1-1", "usb_device"},
                                        {"usb", "1-1:1.0", "usb_interface"},
                                        {"hidraw", "hidraw0", nullptr},
                                        {"usb", "1-2", "usb_device"},
                                        {"block", "sdb", "disk"}};
    std::vector<GCharHandle> paths;
    for (const MockDevice& device : burst) paths.push_back(add(device));

    ASSERT_TRUE(called());
    runAWhile();
    EXPECT_EQ(calls, 1);
}

// A datagram libudev cannot make a device of still wakes the monitor's
// socket: it gives no call, and the watch still hears what comes after.
TEST_F(UdevWatchTest, AnUnreadableMessageGivesNoCallAndBreaksNothing) {
    ASSERT_GT(sendToMonitors("not a uevent"), 0) << "no monitor socket in the testbed";
    runAWhile();
    EXPECT_EQ(calls, 0);

    add({"usb", "1-1", "usb_device"});
    EXPECT_TRUE(called());
}

// Once the watch is gone its source is too: an event after it reaches no one.
TEST_F(UdevWatchTest, NothingIsHeardOnceTheWatchIsGone) {
    watch.reset();
    add({"usb", "1-1", "usb_device"});
    runAWhile();
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace pivora::test
