#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/diagnostic_log.h"
#include "settings/start_with_windows.h"
#include "settings/user_settings.h"
#include "switch_dialog_fixture.h"
#include "ui/tray_menu_items.h"

namespace pivora::test {
namespace {

using sim::Host;
using Form = sim::SwitchHub::Form;

constexpr std::intptr_t kRightButtonDown = 0x204;

// Host A on a two-port switch whose other computer the model plays: a stick
// on port 2 (the user's port 2) is here, a receiver on port 3 (the user's
// port 1) is there. The user works through the tray menu.
class TrayMenu : public OneComputer {
protected:
    void connect() {
        sw.hub.setForm(Form::TwoPort);
        sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer & Co");
        sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
        sw.firmware.setRawMask(0x08);
        sw.firmware.playPeer(Host::B);
        start();
        runUntil(9000);
        ASSERT_EQ(control.hubReady, 1);
    }

    // Opens the menu and chooses `command`; the menu's lines, as recorded.
    std::vector<std::string> choose(int command) {
        windows.menuChoice = command;
        const std::size_t start = windows.calls.size();
        windows.postMessage(mainWindow(), win::kWmSwitchTray, 0, kRightButtonDown);
        runUntil(now());
        std::vector<std::string> menu;
        for (std::size_t i = start; i < windows.calls.size(); ++i)
            if (windows.calls[i].rfind("appendMenu", 0) == 0) menu.push_back(windows.calls[i]);
        return menu;
    }

    // Long enough for a move and the rediscovery after it.
    void settle() { runUntil(now() + 8000); }

    static bool has(const std::vector<std::string>& lines, const std::string& line) {
        for (const auto& entry : lines)
            if (entry.find(line) != std::string::npos) return true;
        return false;
    }
};

TEST_F(TrayMenu, ListsThePortsAndMovesTheChosenOneAsItsArrowWould) {
    EXPECT_TRUE(has(choose(tray::Dismissed), "flags 1 id 0 No switch connected"));
    connect();
    const std::vector<std::string> menu = choose(tray::Dismissed);
    EXPECT_TRUE(has(menu, "flags 0 id 31 Port &1 ? on the other computer"));
    EXPECT_TRUE(has(menu, "flags 0 id 32 Port &2 ? SanDisk Cruzer && Co ? here")) << "& is no shortcut mark";
    EXPECT_TRUE(has(menu, "flags 0 id 10 &Move all ports"));
    EXPECT_FALSE(has(menu, "No switch connected"));

    // Port 1 is there: choosing it claims it; while that is under way it
    // cannot be chosen again.
    choose(tray::FirstPort + 1);
    EXPECT_EQ(panel().ports[3].claim, ArrowImage::Pending);
    EXPECT_TRUE(has(choose(tray::Dismissed), "flags 1 id 31 Port &1"));
    settle();
    EXPECT_EQ(sw.firmware.rawMask(), 0x00) << "port 1 came here";

    // Port 2 is here: choosing it hands it over.
    choose(tray::FirstPort + 2);
    settle();
    EXPECT_EQ(sw.firmware.rawMask(), 0x04);

    choose(tray::MoveAll);
    settle();
    EXPECT_EQ(sw.firmware.rawMask(), 0x00) << "as the double tap: what is there comes here";
}

TEST_F(TrayMenu, StartWithWindowsWritesAndRemovesTheRunEntry) {
    start();
    const std::u16string run = StartWithWindows::kRunKeyPath;
    EXPECT_TRUE(has(choose(tray::StartWithWindows), "flags 0 id 11 &Start with Windows"));
    const auto* entry = userRegistry.find(run, u"Pivora");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(has(choose(tray::StartWithWindows), "flags 8 id 11 &Start with Windows")) << "checked";
    EXPECT_EQ(userRegistry.find(run, u"Pivora"), nullptr);
    EXPECT_EQ(userRegistry.opened, userRegistry.closed);
}

TEST_F(TrayMenu, DoubleTapKeysAreChosenAndTheHookWatchesOnlyThem) {
    start();
    ASSERT_TRUE(windows.called("installKeyboardHook 77"));
    choose(tray::KeyCapsLock);
    EXPECT_EQ(UserSettings(userRegistry).doubleTapKeys(), lock_keys::kNumLock | lock_keys::kScrollLock);
    EXPECT_TRUE(windows.called("installKeyboardHook 77 keys 3"));
    const std::vector<std::string> menu = choose(tray::KeysOff);
    EXPECT_TRUE(has(menu, "flags 0 id 22 &CapsLock")) << "unchecked";
    EXPECT_EQ(windows.count("removeKeyboardHook"), 2u);
    EXPECT_EQ(windows.count("installKeyboardHook"), 2u) << "Off: no hook at all";
    EXPECT_TRUE(has(choose(tray::KeyNumLock), "flags 8 id 23 O&ff"));
    EXPECT_TRUE(windows.called("installKeyboardHook 77 keys 1"));
}

TEST_F(TrayMenu, ABalloonTellsOfAMoveUnlessNotificationsAreOff) {
    connect();
    EXPECT_TRUE(windows.traysModified.empty()) << "the ports found at the start are no news";
    choose(tray::FirstPort + 2);
    settle();
    ASSERT_EQ(windows.traysModified.size(), 1u);
    const TrayIconRecord& balloon = windows.traysModified[0];
    EXPECT_EQ(balloon.flags, win::kNifInfo);
    EXPECT_STREQ(balloon.infoTitle, "Port 2 went to the other computer");
    EXPECT_STREQ(balloon.info, "SanDisk Cruzer & Co");

    choose(tray::Notifications);
    EXPECT_FALSE(UserSettings(userRegistry).notifications());
    choose(tray::FirstPort + 2);
    settle();
    EXPECT_EQ(sw.firmware.rawMask(), 0x08) << "port 2 is back";
    EXPECT_EQ(windows.traysModified.size(), 1u) << "and nothing said of it";
}

// The log as the menu sees it: a switch that fails when told to.
class SwitchedLog : public DiagnosticLog {
public:
    bool failsOn = false;
    void setEnabled(bool on) override { status_.state = !on ? LogState::Off : failsOn ? LogState::Failed : LogState::On; }
    LogStatus status() const override { return status_; }
    std::string filePath() const override { return "C:\\Pivora\\pivora.log"; }

private:
    LogStatus status_;
};

TEST_F(TrayMenu, TheLogIsSwitchedKeptForTheNextStartAndSaysWhenItFailed) {
    SwitchedLog log;
    dialog.useLog(log, false);
    start();
    EXPECT_EQ(log.status().state, LogState::Off) << "off by default";
    EXPECT_TRUE(has(choose(tray::Log), "flags 0 id 13 Diagnostic &log"));
    EXPECT_EQ(log.status().state, LogState::On);
    EXPECT_TRUE(UserSettings(userRegistry).logging());
    EXPECT_TRUE(has(choose(tray::Log), "flags 8 id 13 Diagnostic &log"));
    EXPECT_EQ(log.status().state, LogState::Off);

    log.failsOn = true;
    choose(tray::Log);
    EXPECT_TRUE(has(choose(tray::Dismissed), "flags 0 id 13 Diagnostic &log (could not be written)"));
}

}  // namespace
}  // namespace pivora::test
