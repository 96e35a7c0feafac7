#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/gtk/tray_host.h"
#include "dbus_mock.h"
#include "tray_session.h"

namespace pivora::test {
namespace {

enum class Watcher { None, WithHost, WithoutHost, AnsweringAString };

struct HostCase {
    const char* name;
    Watcher watcher;
    bool present;
};

class TrayHost : public testing::TestWithParam<HostCase> {};

TEST_P(TrayHost, IsPresentOnlyWhenAWatcherSaysAHostIsRegistered) {
    const PrivateBus bus;  // of its own: the watcher, if any, is this case's alone
    ASSERT_TRUE(bus.running());
    std::unique_ptr<DbusMock> watcher;
    if (GetParam().watcher != Watcher::None) {
        std::vector<std::string> arguments{"-t", watcherTemplate()};
        if (GetParam().watcher == Watcher::WithoutHost) arguments.insert(arguments.end(), {"-p", R"({"HostRegistered": false})"});
        watcher = std::make_unique<DbusMock>(bus, "org.kde.StatusNotifierWatcher", arguments);
        ASSERT_TRUE(watcher->running());
        if (GetParam().watcher == Watcher::AnsweringAString)
            watcher->call("/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Set",
                          g_variant_new("(ssv)", "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered",
                                        g_variant_new_string("true")));
    }
    const GObjectHandle<GDBusConnection> connection = bus.connect();
    EXPECT_EQ(trayHostPresent(connection.get()), GetParam().present);
}

INSTANTIATE_TEST_SUITE_P(Watchers, TrayHost,
                         testing::Values(HostCase{"NoWatcher", Watcher::None, false},
                                         HostCase{"HostRegistered", Watcher::WithHost, true},
                                         HostCase{"NoHostRegistered", Watcher::WithoutHost, false},
                                         HostCase{"PropertyOfTheWrongType", Watcher::AnsweringAString, false}),
                         [](const testing::TestParamInfo<HostCase>& shown) { return std::string(shown.param.name); });

TEST(TrayHostWithoutABus, IsAbsent) { EXPECT_FALSE(trayHostPresent(nullptr)); }

}  // namespace
}  // namespace pivora::test
