#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/sysfs_attribute.h"
#include "platform/linux/usb_device_name.h"
#include "sysfs_tree.h"

namespace pivora {
namespace {

namespace fs = std::filesystem;

// What reaches a reader where an attribute should be: only a regular file
// within the size limit is read, its one closing newline dropped.
TEST(SysfsAttribute, ReadsOnlyBoundedRegularFiles) {
    testing::SysfsTree tree;
    const std::string dir = tree.root() + "/attributes";
    fs::create_directories(dir + "/directory");
    const auto put = [&](const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
    };
    put("plain", "04b4\n");
    put("two-newlines", "x\n\n");
    put("at-limit", std::string(kMaxAttributeSize, 'a'));
    put("past-limit", std::string(kMaxAttributeSize + 1, 'a'));
    fs::create_symlink("loop", dir + "/loop");
    fs::create_symlink("plain", dir + "/linked");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);

    EXPECT_EQ(readSysfsAttribute(dir + "/plain"), "04b4");
    EXPECT_EQ(readSysfsAttribute(dir + "/linked"), "04b4");
    EXPECT_EQ(readSysfsAttribute(dir + "/two-newlines"), "x\n");
    EXPECT_EQ(readSysfsAttribute(dir + "/at-limit")->size(), kMaxAttributeSize);
    for (const char* refused : {"past-limit", "loop", "fifo", "directory", "missing"})
        EXPECT_FALSE(readSysfsAttribute(dir + "/" + refused).has_value()) << refused;
}

TEST(SysfsAttribute, ParsesOnlyTheKernelsSpelling) {
    EXPECT_EQ(parseUsbId("04b4"), 0x04b4);
    EXPECT_EQ(parseUsbId("C077"), 0xc077);
    for (const char* bad : {"", "4b4", "04b40", "zzzz", " 4b4", "0x4b"}) EXPECT_FALSE(parseUsbId(bad)) << bad;

    EXPECT_EQ(parseDecimal("4", 255), 4u);
    EXPECT_EQ(parseDecimal("255", 255), 255u);
    for (const char* bad : {"", "256", "-1", "4 ", "99999999999999999999"})
        EXPECT_FALSE(parseDecimal(bad, 255)) << bad;

    EXPECT_EQ(parseClassByte("09"), 9);
    EXPECT_FALSE(parseClassByte("9"));

    EXPECT_EQ(parseDeviceNumber("188:0"), makedev(188, 0));
    for (const char* bad : {"", "188", ":0", "188:", "1:2:3", "4096:0", "1:1048576", "a:b"})
        EXPECT_FALSE(parseDeviceNumber(bad)) << bad;
}

TEST(UsbDeviceName, AcceptsDevicesAndRootHubsOnly) {
    const auto hub = UsbDeviceName::parse("1-1.2");
    ASSERT_TRUE(hub);
    EXPECT_FALSE(hub->rootHub);
    EXPECT_EQ(hub->numbers, (std::vector<std::uint32_t>{1, 1, 2}));
    EXPECT_TRUE(UsbDeviceName::parse("usb10")->rootHub);
    EXPECT_TRUE(UsbDeviceName::parse("3-1.2.3.4.5.6.7"));
    for (const char* bad : {"", "usb", "usb0", "usb01", "1-1:1.0", "1-", "1-1.", "1-01", "-1", "1-1..2", "../1-1",
                            "1-1/..", "1-1.2.3.4.5.6.7.8", "1-256", "usb1x"})
        EXPECT_FALSE(UsbDeviceName::parse(bad)) << bad;
}

TEST(UsbDeviceName, NamesChildrenByPortAndOrdersAsAWalk) {
    EXPECT_EQ(UsbDeviceName::parse("usb2")->child(0), "2-1");
    EXPECT_EQ(UsbDeviceName::parse("1-1")->child(3), "1-1.4");
    EXPECT_FALSE(UsbDeviceName::parse("1-1")->child(-1));
    EXPECT_FALSE(UsbDeviceName::parse("1-1.2.3.4.5.6.7")->child(0));

    std::vector<std::string> names{"1-2", "usb10", "1-1.10", "usb2", "1-1", "1-1.2", "10-1", "2-1"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return *UsbDeviceName::parse(a) < *UsbDeviceName::parse(b);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"usb2", "usb10", "1-1", "1-1.2", "1-1.10", "1-2", "2-1", "10-1"}));
}

}  // namespace
}  // namespace pivora
