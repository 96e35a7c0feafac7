#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/switch_dialog.h"
#include "recording_trace.h"
#include "recording_window.h"
#include "sim/simulated_switch.h"
#include "ui/texts.h"

namespace pivora::test {
namespace {

const OsHandle kMainWindow = RecordingWindow::handle(0x77);
const OsHandle kControl = RecordingWindow::handle(0x78);

// The main window's lifecycle on host A's computer of a simulated switch,
// every window call recorded.
class MainWindow : public ::testing::Test {
protected:
    MainWindow() : platform(sw.hostA.platform(trace)), dialog(platform, windows) {}

    // The calls made since `start`, in order.
    std::vector<std::string> callsSince(std::size_t start) const {
        return std::vector<std::string>(windows.calls.begin() + static_cast<std::ptrdiff_t>(start), windows.calls.end());
    }

    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    RecordingWindow windows;
    Platform platform;
    SwitchDialog dialog;
};

TEST_F(MainWindow, FirstCopySetsUpInOrder) {
    EXPECT_EQ(dialog.initMainWindow(kMainWindow), 1);
    EXPECT_EQ(dialog.liveInstance, 1);
    const std::vector<std::string> expected = {
        "getSystemMenu",
        "modifyMenu 61536 flags 1 id 0 -",
        "loadString 101",
        "appendMenu 5150 flags 2048 id 0 -",
        "appendMenu 5150 flags 0 id 16 ?? Pivora(&A)...",
        "setWindowIcon 1 1c80",
        "setWindowIcon 0 1c80",
        "findTopLevelWindow Pivora v1.27",
        "setWindowText Pivora v1.27",
        "loadIcon 144",
        "addTrayIcon",
        "postMessage 77 0x0005 1 0x0",
        "postMessage 77 0x0219 7 0x0",
        "setTimer 0 1000",
        "setTimer 1 5000",
        "resizeControl 1004 15x27",
        "resizeControl 1008 15x27",
        "createBusyNotice owner 77",
        "setControlText 1016 1.2.7",
        // The arrow images, dim, lit and pending, each for ports 0 to 3.
        "loadBitmap 149", "loadBitmap 148", "loadBitmap 147", "loadBitmap 160",
        "loadBitmap 153", "loadBitmap 152", "loadBitmap 151", "loadBitmap 164",
        "loadBitmap 158", "loadBitmap 157", "loadBitmap 156", "loadBitmap 168",
    };
    EXPECT_EQ(callsSince(1), expected) << "after the app icon's load at construction";
    EXPECT_EQ(windows.aboutEntryText, u"\u95DC\u65BC Pivora(&A)...");

    ASSERT_EQ(windows.traysAdded.size(), 1u);
    const TrayIconRecord& tray = windows.traysAdded[0];
    EXPECT_EQ(tray.cbSize, sizeof(void*) == 8 ? 504u : 488u);
    EXPECT_EQ(tray.window, kMainWindow);
    EXPECT_EQ(tray.id, 0u);
    EXPECT_EQ(tray.flags, 7u);
    EXPECT_EQ(tray.callbackMessage, 1124u);
    EXPECT_EQ(tray.icon, RecordingWindow::handle(0x1C00 + 144));
    EXPECT_STREQ(tray.tip, "Pivora");
    EXPECT_EQ(dialog.channel.getReportLength(), 8u);
    EXPECT_EQ(dialog.busyNotice, windows.busyNoticeWindow);
}

TEST_F(MainWindow, SecondCopySetsUpNothingAndOnlyClosesItself) {
    windows.otherInstance = RecordingWindow::handle(0x99);
    EXPECT_EQ(dialog.initMainWindow(kMainWindow), 1);
    EXPECT_EQ(dialog.liveInstance, 0);
    EXPECT_EQ(windows.calls.back(), "postMessage 77 0x0010 0 0x0");
    EXPECT_EQ(windows.count("findTopLevelWindow"), 1u);
    for (const char* never : {"setWindowText", "addTrayIcon", "setTimer", "createBusyNotice", "setControlText"})
        EXPECT_EQ(windows.count(never), 0u) << never;

    const std::size_t start = windows.calls.size();
    dialog.tearDownMainWindow();
    EXPECT_EQ(callsSince(start), (std::vector<std::string>{"killTimer 0", "killTimer 1", "destroyWindow 77"}));
    EXPECT_TRUE(sw.firmware.received().empty()) << "the running copy's controller is left alone";
}

TEST_F(MainWindow, ExitWithTheControllerOpenSignsOffBeforeTheTrayIconGoes) {
    dialog.initMainWindow(kMainWindow);
    ASSERT_EQ(dialog.channel.connectController(), 1);
    dialog.controllerOpen = 1;

    const std::size_t start = windows.calls.size();
    const std::uint64_t began = sw.clock.now();
    dialog.tearDownMainWindow();
    ASSERT_EQ(sw.firmware.received().size(), 1u);
    EXPECT_EQ(sw.firmware.received()[0].bytes[1], 0x53) << "SignOff";
    EXPECT_FALSE(dialog.channel.isOpen());
    // The SignOff's write and pacing, the 400 ms cancel, then 250 ms.
    EXPECT_GE(sw.clock.now() - began, 600u + 400u + 250u);
    EXPECT_EQ(callsSince(start), (std::vector<std::string>{"killTimer 0", "killTimer 1", "deleteTrayIcon",
                                                          "destroyWindow b051", "destroyWindow 77"}));
    EXPECT_TRUE(sw.hostA.allReleased());
}

TEST_F(MainWindow, ExitWithoutControllerSendsNothingAndWaitsForNothing) {
    dialog.initMainWindow(kMainWindow);
    const std::uint64_t began = sw.clock.now();
    dialog.tearDownMainWindow();
    EXPECT_EQ(sw.clock.now(), began);
    EXPECT_TRUE(sw.firmware.received().empty());
    EXPECT_TRUE(windows.called("deleteTrayIcon"));
}

struct SizeCase {
    int width;
    int height;
    const char* call;  // the one call made, or "" for none
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.width << "x" << c.height; }

class Size : public MainWindow, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(Size, EmptyHidesAndARealSizeRescans) {
    dialog.initMainWindow(kMainWindow);
    const std::size_t start = windows.calls.size();
    dialog.handleSize(0, GetParam().width, GetParam().height);
    const std::vector<std::string> calls = callsSince(start);
    if (std::string(GetParam().call).empty()) {
        EXPECT_TRUE(calls.empty());
    } else {
        EXPECT_EQ(calls, std::vector<std::string>{GetParam().call});
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Size,
                         ::testing::Values(SizeCase{0, 0, "showWindow 77 0"},
                                           SizeCase{297, 181, "postMessage 77 0x0219 7 0x0"}, SizeCase{0, 181, ""},
                                           SizeCase{297, 0, ""}));

struct InputCase {
    const char* name;
    QueuedMessage message;
    bool consumed;
    const char* posted;  // what the filter posts, or ""
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class Input : public MainWindow, public ::testing::WithParamInterface<InputCase> {};

TEST_P(Input, EnterEscAndSpaceAreSwallowedAndASurfaceClickDrags) {
    dialog.initMainWindow(kMainWindow);
    const std::size_t start = windows.calls.size();
    EXPECT_EQ(dialog.filterMainWindowInput(GetParam().message), GetParam().consumed);
    const std::vector<std::string> calls = callsSince(start);
    if (std::string(GetParam().posted).empty()) {
        EXPECT_TRUE(calls.empty());
    } else {
        EXPECT_EQ(calls, std::vector<std::string>{GetParam().posted});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Input,
    ::testing::Values(InputCase{"EnterDown", {kMainWindow, 0x100, 0x0D, 0, 0, 0}, true, ""},
                      InputCase{"EscUpOnAControl", {kControl, 0x101, 0x1B, 0, 0, 0}, true, ""},
                      InputCase{"SpaceChar", {kControl, 0x102, 0x20, 0, 0, 0}, true, ""},
                      InputCase{"OnlyTheLowByteCounts", {kMainWindow, 0x100, 0x10D, 0, 0, 0}, true, ""},
                      InputCase{"OtherKey", {kMainWindow, 0x100, 0x41, 0, 0, 0}, false, ""},
                      InputCase{"ClickOnTheSurface",
                                {kMainWindow, 0x201, 1, 0, 640, 400},
                                false,
                                "postMessage 77 0x00A1 2 0x1900280"},
                      InputCase{"ClickOnAControl", {kControl, 0x201, 1, 0, 640, 400}, false, ""},
                      InputCase{"Timer", {kMainWindow, 0x113, 0, 0, 0, 0}, false, ""}),
    [](const ::testing::TestParamInfo<InputCase>& c) { return std::string(c.param.name); });

TEST_F(MainWindow, SystemCommand16OpensTheAboutBoxAndOthersGoOn) {
    dialog.initMainWindow(kMainWindow);
    EXPECT_TRUE(dialog.onSystemCommand(0x10));
    EXPECT_TRUE(dialog.onSystemCommand(0x13)) << "the low four bits are the system's";
    EXPECT_FALSE(dialog.onSystemCommand(0xF060));
    EXPECT_EQ(windows.count("runAboutBox owner 77"), 2u);
}

struct TrayCase {
    const char* name;
    std::intptr_t mouse;
    int choice;
    std::vector<std::string> calls;
};

void PrintTo(const TrayCase& c, std::ostream* os) { *os << c.name; }

class Tray : public MainWindow, public ::testing::WithParamInterface<TrayCase> {};

const std::vector<std::string> kMenuShown = {
    "createPopupMenu",
    "appendMenu 3e40 flags 0 id 1 Open",
    "appendMenu 3e40 flags 0 id 2 About",
    "appendMenu 3e40 flags 2048 id 0 -",
    "appendMenu 3e40 flags 0 id 3 Exit",
    "setForegroundWindow 77",
    "getCursorPos",
    "trackPopupMenu 3e40 flags 384 at 100,200 owner 77",
    "destroyMenu 3e40",
};

std::vector<std::string> menuThen(std::vector<std::string> after) {
    std::vector<std::string> calls = kMenuShown;
    calls.insert(calls.end(), after.begin(), after.end());
    return calls;
}

TEST_P(Tray, MouseAndMenuCommands) {
    dialog.initMainWindow(kMainWindow);
    windows.menuChoice = GetParam().choice;
    const std::size_t start = windows.calls.size();
    dialog.onTrayNotify(GetParam().mouse);
    EXPECT_EQ(callsSince(start), GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, Tray,
    ::testing::Values(TrayCase{"DoubleClickShows", 0x203, 0, {"showWindow 77 1", "setForegroundWindow 77"}},
                      TrayCase{"SingleClickDoesNothing", 0x201, 0, {}},
                      TrayCase{"RightButtonUpDoesNothing", 0x205, 0, {}},
                      TrayCase{"MenuDismissed", 0x204, 0, menuThen({})},
                      TrayCase{"Open", 0x204, 1, menuThen({"showWindow 77 1", "setForegroundWindow 77"})},
                      TrayCase{"About", 0x204, 2, menuThen({"runAboutBox owner 77"})},
                      TrayCase{"Exit", 0x204, 3, menuThen({"postMessage 77 0x0010 0 0x0"})}),
    [](const ::testing::TestParamInfo<TrayCase>& c) { return std::string(c.param.name); });

TEST_F(MainWindow, RecreatedNotificationAreaGetsTheIconBack) {
    dialog.initMainWindow(kMainWindow);
    dialog.onTaskbarCreated();
    ASSERT_EQ(windows.traysAdded.size(), 2u);
    EXPECT_EQ(windows.traysAdded[1].icon, windows.traysAdded[0].icon);
    EXPECT_STREQ(windows.traysAdded[1].tip, "Pivora");

    windows.traysAdded.clear();
    windows.otherInstance = RecordingWindow::handle(0x99);
    SwitchDialog duplicate(platform, windows);
    duplicate.initMainWindow(kControl);
    duplicate.onTaskbarCreated();
    EXPECT_TRUE(windows.traysAdded.empty()) << "a closing duplicate never shows an icon";
}

struct NoticeCase {
    std::uint16_t language;
    bool chinese;
};

void PrintTo(const NoticeCase& c, std::ostream* os) { *os << std::hex << c.language; }

class BusyNotice : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(BusyNotice, TextFollowsTheUsersLanguage) {
    const BusyNoticeText notice = busyNoticeText(GetParam().language);
    const std::string bytes(reinterpret_cast<const char*>(notice.bytes), notice.length);
    if (GetParam().chinese) {
        EXPECT_EQ(notice.codePage, 950u);
        ASSERT_EQ(notice.length, 32u);
        EXPECT_EQ(bytes.substr(0, 4), "USB ");
        EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 0xB8) << "Big5 for the first character";
    } else {
        EXPECT_EQ(notice.codePage, 0u);
        EXPECT_EQ(bytes, "USB device is being used, please try later.");
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, BusyNotice,
                         ::testing::Values(NoticeCase{0x0404, true}, NoticeCase{0x0C04, true},
                                           NoticeCase{0x0804, false}, NoticeCase{0x0409, false},
                                           NoticeCase{0x0000, false}));

}  // namespace
}  // namespace pivora::test
