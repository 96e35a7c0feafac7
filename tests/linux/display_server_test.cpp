#include <gtest/gtest.h>

#include <string>

#include "platform/linux/display_server.h"

namespace pivora {
namespace {

struct SessionCase {
    const char* name;
    const char* waylandDisplay;
    const char* display;
    const char* sessionType;
    DisplayServer expected;
};

class DisplayServerTest : public testing::TestWithParam<SessionCase> {};

TEST_P(DisplayServerTest, NamesTheServerTheKeysGoTo) {
    const SessionCase& c = GetParam();
    EXPECT_EQ(detectDisplayServer(c.waylandDisplay, c.display, c.sessionType), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, DisplayServerTest,
    testing::Values(SessionCase{"X11", nullptr, ":0", "x11", DisplayServer::X11},
                    SessionCase{"X11WithoutSessionType", nullptr, ":1", nullptr, DisplayServer::X11},
                    SessionCase{"WaylandWithXWayland", "wayland-0", ":0", "wayland", DisplayServer::Wayland},
                    SessionCase{"WaylandDisplayAlone", "wayland-0", nullptr, nullptr, DisplayServer::Wayland},
                    SessionCase{"WaylandSessionTypeAlone", nullptr, ":0", "wayland", DisplayServer::Wayland},
                    SessionCase{"EmptyValuesAreUnset", "", "", "", DisplayServer::None},
                    SessionCase{"TtySession", nullptr, nullptr, "tty", DisplayServer::None},
                    SessionCase{"Nothing", nullptr, nullptr, nullptr, DisplayServer::None}),
    [](const testing::TestParamInfo<SessionCase>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace pivora
