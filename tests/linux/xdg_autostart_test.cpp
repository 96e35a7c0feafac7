#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/gio_handles.h"
#include "platform/linux/xdg_autostart.h"
#include "temporary_folder.h"

namespace pivora::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "/usr/bin/pivora";

class XdgAutostartTest : public testing::Test {
protected:
    fs::path folder() const { return temporary.path() / "config" / "autostart"; }
    fs::path entry() const { return folder() / XdgAutostart::kFileName; }

    TemporaryFolder temporary;
};

// What may stand in the autostart folder, and whether it starts this program.
struct EntryCase {
    const char* name;
    const char* text;  // null: no entry at all
    bool enabled;
};

class AutostartEntryTest : public XdgAutostartTest, public testing::WithParamInterface<EntryCase> {};

TEST_P(AutostartEntryTest, IsOnOnlyWhenItStartsThisProgram) {
    if (GetParam().text != nullptr) writeFile(entry(), GetParam().text);
    EXPECT_EQ(XdgAutostart(folder().string(), kProgram).enabled(), GetParam().enabled);
}

INSTANTIATE_TEST_SUITE_P(
    WhatStandsThere, AutostartEntryTest,
    testing::Values(
        EntryCase{"NoEntry", nullptr, false},
        EntryCase{"Ours", "[Desktop Entry]\nType=Application\nName=Pivora\nExec=\"/usr/bin/pivora\"\n", true},
        EntryCase{"Unquoted", "[Desktop Entry]\nExec=/usr/bin/pivora\n", true},
        EntryCase{"WithAnArgument", "[Desktop Entry]\nExec=/usr/bin/pivora --log\n", true},
        EntryCase{"ProgramMoved", "[Desktop Entry]\nExec=\"/opt/old/pivora\"\n", false},
        EntryCase{"AnotherProgramOfTheName", "[Desktop Entry]\nExec=/usr/bin/pivora-other\n", false},
        EntryCase{"Hidden", "[Desktop Entry]\nExec=/usr/bin/pivora\nHidden=true\n", false},
        EntryCase{"GnomeSwitchedItOff", "[Desktop Entry]\nExec=/usr/bin/pivora\nX-GNOME-Autostart-enabled=false\n",
                  false},
        EntryCase{"NoExec", "[Desktop Entry]\nName=Pivora\n", false},
        EntryCase{"QuoteNeverClosed", "[Desktop Entry]\nExec=\"/usr/bin/pivora\n", false},
        EntryCase{"NotAKeyFile", "Exec=/usr/bin/pivora\n", false},
        EntryCase{"AnotherGroup", "[Desktop Action x]\nExec=/usr/bin/pivora\n", false}),
    [](const testing::TestParamInfo<EntryCase>& c) { return std::string(c.param.name); });

// The entry is started by GLib's own launcher, as a session starts it, from
// a folder whose name holds the characters the Exec line must escape. (GLib
// takes a path holding '%' for a program that is not there, so that one is
// only read back.)
TEST_F(XdgAutostartTest, OnWritesAnEntryTheDesktopStartsAndOffRemovesIt) {
    const fs::path program = temporary.path() / "my \"tools\" $HOME `x` \\ here" / "pivora";
    const fs::path started = temporary.path() / "started";
    writeFile(program, "#!/bin/sh\ntouch '" + started.string() + "'\n");
    fs::permissions(program, fs::perms::owner_all);
    XdgAutostart autostart(folder().string(), program.string());
    ASSERT_TRUE(autostart.set(true));
    EXPECT_TRUE(autostart.enabled());
    EXPECT_FALSE(XdgAutostart(folder().string(), kProgram).enabled());

    const GObjectHandle<GDesktopAppInfo> info(g_desktop_app_info_new_from_filename(entry().c_str()));
    ASSERT_TRUE(info) << contentsOf(entry());
    EXPECT_STREQ(g_app_info_get_name(G_APP_INFO(info.get())), "Pivora");
    GError* error = nullptr;
    const gboolean launched = g_app_info_launch(G_APP_INFO(info.get()), nullptr, nullptr, &error);
    const GErrorHandle failure(error);
    ASSERT_TRUE(launched) << failure->message;
    const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!fs::exists(started) && g_get_monotonic_time() < deadline) g_usleep(10000);
    EXPECT_TRUE(fs::exists(started)) << contentsOf(entry());

    ASSERT_TRUE(autostart.set(false));
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_FALSE(autostart.enabled());
    EXPECT_TRUE(autostart.set(false)) << "nothing to remove is no failure";

    XdgAutostart percent(folder().string(), "/opt/100% sure/pivora");
    ASSERT_TRUE(percent.set(true));
    EXPECT_TRUE(percent.enabled());
}

TEST_F(XdgAutostartTest, AMovedProgramIsOffUntilTurnedOnAgain) {
    ASSERT_TRUE(XdgAutostart(folder().string(), "/opt/old/pivora").set(true));
    XdgAutostart moved(folder().string(), kProgram);
    EXPECT_FALSE(moved.enabled());
    ASSERT_TRUE(moved.set(true));
    EXPECT_TRUE(moved.enabled());
}

TEST_F(XdgAutostartTest, NowhereToWriteIsAFailure) {
    writeFile(temporary.path() / "config", "a plain file where the folder should be");
    EXPECT_FALSE(XdgAutostart(folder().string(), kProgram).set(true));
    EXPECT_FALSE(XdgAutostart("", kProgram).set(true));
    EXPECT_FALSE(XdgAutostart("", kProgram).enabled());
}

TEST(XdgAutostartFolder, FollowsTheBaseDirectoryRules) {
    EXPECT_EQ(xdgAutostartFolder("/x/config", "/home/u"), "/x/config/autostart");
    EXPECT_EQ(xdgAutostartFolder(nullptr, "/home/u"), "/home/u/.config/autostart");
    EXPECT_EQ(xdgAutostartFolder("relative", "/home/u"), "/home/u/.config/autostart");
    EXPECT_EQ(xdgAutostartFolder(nullptr, nullptr), "");
}

}  // namespace
}  // namespace pivora::test
