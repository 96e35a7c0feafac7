#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/linux/linux_host.h"
#include "hidraw_fixture.h"
#include "recording_trace.h"
#include "sim/virtual_clock.h"

namespace pivora::test {
namespace {

// A controller node the user may not open: the program names the udev rule
// that would let them, once, and never suggests root. Root opens any file,
// so this runs as a user (tests/linux/as_a_user.sh gives CI one).
TEST(LinuxHost, RefusedControllerNodeNamesTheUdevRuleOnce) {
    if (::geteuid() == 0) GTEST_SKIP() << "root is never refused an open";
    HidrawTree tree;
    tree.addNode("hidraw0", kControllerUevent);
    const std::string node = tree.devPath("hidraw0");
    HidrawTree::write(node, "");
    ASSERT_EQ(::chmod(node.c_str(), 0), 0);

    RecordingTrace trace;
    std::vector<std::string> said;
    LinuxHost host(nullptr, trace, LinuxRoots{tree.sys(), tree.dev(), "/proc", ""},
                   [&](const std::string& text) { said.push_back(text); });
    sim::VirtualClock clock;
    const auto channel = host.makeChannel(clock);
    for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(channel->connectController(), 0);

    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(node + ": permission denied"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("70-pivora.rules"), std::string::npos) << said[0];
    EXPECT_EQ(said[0].find("root"), std::string::npos) << said[0];
    EXPECT_EQ(said[0].find("sudo"), std::string::npos) << said[0];
}

}  // namespace
}  // namespace pivora::test
