#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/switch_dialog.h"
#include "fake_user_registry.h"
#include "recording_trace.h"
#include "recording_window.h"
#include "sim/simulated_switch.h"
#include "ui/texts.h"
#include "virtual_control.h"

namespace pivora::test {
namespace {

const OsHandle kMainWindow = RecordingWindow::handle(0x77);
const OsHandle kControl = RecordingWindow::handle(0x78);
const std::u16string kExePath = u"C:\\Pivora\\pivora.exe";

// The main window's lifecycle on host A's computer of a simulated switch,
// every window call recorded.
class MainWindow : public ::testing::Test {
protected:
    MainWindow()
        : platform(sw.hostA.platform(trace)), loop(sw.clock, platform), dialog(loop, windows, registry, kExePath) {}

    // The calls made since `start`, in order.
    std::vector<std::string> callsSince(std::size_t start) const {
        return std::vector<std::string>(windows.calls.begin() + static_cast<std::ptrdiff_t>(start), windows.calls.end());
    }

    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    RecordingWindow windows;
    FakeUserRegistry registry;
    Platform platform;
    VirtualControl loop;
    SwitchControl& control = loop.control;
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
        "installKeyboardHook 77",
        "loadIcon 144",
        "addTrayIcon",
        "postMessage 77 0x0005 1 0x0",
        "postMessage 77 0x0219 7 0x0",
        "resizeControl 1004 15x27",
        "resizeControl 1008 15x27",
        "createBusyNotice owner 77",
        "setControlText 1016 1.2.7",
        // The arrow images, dim, lit and pending, each for ports 0 to 3.
        "loadBitmap 149", "loadBitmap 148", "loadBitmap 147", "loadBitmap 160",
        "loadBitmap 153", "loadBitmap 152", "loadBitmap 151", "loadBitmap 164",
        "loadBitmap 158", "loadBitmap 157", "loadBitmap 156", "loadBitmap 168",
    };
    const std::vector<std::string> calls = callsSince(1);
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(expected.size())),
              expected)
        << "after the app icon's load at construction";
    // Then the panel with no switch: empty status, every row and arrow hidden.
    std::vector<std::string> panel(calls.begin() + static_cast<std::ptrdiff_t>(expected.size()), calls.end());
    std::sort(panel.begin(), panel.end());
    const std::vector<std::string> empty = {
        "setControlText 1009 ", "setControlText 1010 ", "setControlText 1011 ", "setControlText 1012 ",
        "setControlText 1017 ", "setControlText 1018 ", "setControlText 1019 ", "showControl 1001 0",
        "showControl 1002 0",   "showControl 1003 0",   "showControl 1004 0",   "showControl 1005 0",
        "showControl 1006 0",   "showControl 1007 0",   "showControl 1008 0",   "showControl 1009 0",
        "showControl 1010 0",   "showControl 1011 0",   "showControl 1012 0",   "showControl 1013 0",
        "showControl 1020 0",   "showControl 1021 0",   "showControl 1022 0",   "showControl 1023 0",
        "showControl 1024 0"};
    EXPECT_EQ(panel, empty);
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
    EXPECT_EQ(control.channel.getReportLength(), 8u);
    EXPECT_EQ(dialog.busyNotice, windows.busyNoticeWindow);
}

TEST_F(MainWindow, SecondCopySetsUpNothingAndOnlyClosesItself) {
    windows.otherInstance = RecordingWindow::handle(0x99);
    EXPECT_EQ(dialog.initMainWindow(kMainWindow), 1);
    EXPECT_EQ(dialog.liveInstance, 0);
    EXPECT_EQ(windows.calls.back(), "postMessage 77 0x0010 0 0x0");
    EXPECT_EQ(windows.count("findTopLevelWindow"), 1u);
    for (const char* never : {"setWindowText", "addTrayIcon", "createBusyNotice", "setControlText"})
        EXPECT_EQ(windows.count(never), 0u) << never;

    const std::size_t start = windows.calls.size();
    dialog.tearDownMainWindow();
    EXPECT_EQ(callsSince(start), (std::vector<std::string>{"destroyWindow 77"}));
    EXPECT_TRUE(loop.handled().empty()) << "the control never ran";
    EXPECT_TRUE(sw.firmware.received().empty()) << "the running copy's controller is left alone";
}

// Every window call recorded, the tray icon's removal also with the virtual
// time it came.
class TrayTimingWindow : public RecordingWindow {
public:
    explicit TrayTimingWindow(const sim::VirtualClock& clock) : clock_(clock) {}

    int deleteTrayIcon(const TrayIconRecord& icon) override {
        trayIconRemovedAt.push_back(clock_.now());
        return RecordingWindow::deleteTrayIcon(icon);
    }

    std::vector<std::uint64_t> trayIconRemovedAt;

private:
    const sim::VirtualClock& clock_;
};

TEST(MainWindowExit, ExitWithTheControllerOpenSignsOffBeforeTheTrayIconGoes) {
    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    TrayTimingWindow windows(sw.clock);
    Platform platform = sw.hostA.platform(trace);
    VirtualControl loop(sw.clock, platform);
    SwitchControl& control = loop.control;
    FakeUserRegistry registry;
    SwitchDialog dialog(loop, windows, registry, kExePath);
    dialog.initMainWindow(kMainWindow);
    ASSERT_EQ(control.channel.connectController(), 1);
    control.controllerOpen = 1;

    const std::size_t windowCallsBefore = windows.calls.size();
    const std::size_t handleCallsBefore = sw.hostA.hid.handleCalls().size();
    const std::uint64_t began = sw.clock.now();
    dialog.tearDownMainWindow();

    // What the controller, the device handle and the tray saw, on one
    // timeline in milliseconds since the exit began.
    std::vector<std::pair<std::uint64_t, std::string>> timeline;
    for (const auto& received : sw.firmware.received())
        timeline.emplace_back(received.time - began, received.bytes[1] == 0x53 ? "SignOff" : "another report");
    const auto& handleCalls = sw.hostA.hid.handleCalls();
    for (std::size_t call = handleCallsBefore; call < handleCalls.size(); ++call)
        timeline.emplace_back(handleCalls[call].time - began, handleCalls[call].call);
    for (std::uint64_t at : windows.trayIconRemovedAt) timeline.emplace_back(at - began, "deleteTrayIcon");
    std::stable_sort(timeline.begin(), timeline.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<std::string> order;
    for (const auto& event : timeline) order.push_back(event.second);
    ASSERT_EQ(order, (std::vector<std::string>{"SignOff", "CancelIo", "CancelIo", "CancelIo",  // cancelPending
                                               "CancelIo", "CloseHandle device", "CloseHandle event",
                                               "CloseHandle event",  // close
                                               "deleteTrayIcon"}));
    const std::uint64_t signedOff = timeline[0].first;
    const std::uint64_t cancelled = timeline[1].first;
    const std::uint64_t closed = timeline[5].first;
    EXPECT_GE(cancelled, signedOff + 600) << "the SignOff's write completes, then its 600 ms pacing";
    EXPECT_LE(cancelled, signedOff + 610);
    EXPECT_EQ(timeline[2].first, cancelled + 100);
    EXPECT_EQ(timeline[3].first, cancelled + 200);
    EXPECT_EQ(closed, cancelled + 400) << "cancelling takes 400 ms";
    EXPECT_EQ(timeline[4].first, closed);
    EXPECT_EQ(timeline[8].first, closed + 250) << "the tray icon goes 250 ms after the close";

    EXPECT_EQ(std::vector<std::string>(windows.calls.begin() + static_cast<std::ptrdiff_t>(windowCallsBefore),
                                       windows.calls.end()),
              (std::vector<std::string>{"removeKeyboardHook 4b00", "deleteTrayIcon",
                                        "destroyWindow b051", "destroyWindow 77"}));
    EXPECT_FALSE(control.channel.isOpen());
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

// The menu with no switch connected, all settings at their defaults.
const std::vector<std::string> kMenuShown = {
    "createPopupMenu",
    "appendMenu 3e40 flags 1 id 0 No switch connected",
    "appendMenu 3e40 flags 1 id 10 &Move all ports",
    "appendMenu 3e40 flags 2048 id 0 -",
    "appendMenu 3e40 flags 0 id 11 &Start with Windows",
    "createPopupMenu",
    "appendMenu 3e41 flags 8 id 20 &NumLock",
    "appendMenu 3e41 flags 8 id 21 &ScrollLock",
    "appendMenu 3e41 flags 8 id 22 &CapsLock",
    "appendMenu 3e41 flags 2048 id 0 -",
    "appendMenu 3e41 flags 0 id 23 O&ff",
    "appendMenu 3e40 flags 16 id 15937 &Double tap moves all ports",
    "appendMenu 3e40 flags 8 id 12 &Notifications",
    "appendMenu 3e40 flags 2048 id 0 -",
    "appendMenu 3e40 flags 0 id 1 &Open",
    "appendMenu 3e40 flags 0 id 2 &About",
    "appendMenu 3e40 flags 2048 id 0 -",
    "appendMenu 3e40 flags 0 id 3 E&xit",
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
    VirtualControl duplicateLoop(sw.clock, platform);
    SwitchDialog duplicate(duplicateLoop, windows, registry, kExePath);
    duplicate.initMainWindow(kControl);
    duplicate.onTaskbarCreated();
    EXPECT_TRUE(windows.traysAdded.empty()) << "a closing duplicate never shows an icon";
}

struct NoticeCase {
    std::uint16_t language;
    bool chinese;
};

void PrintTo(const NoticeCase& c, std::ostream* os) { *os << std::hex << c.language; }

// Bytes of Windows code page 950 (Big5) as UTF-8, through the C library's
// own tables; "<not Big5>" when they are not valid text of that code page.
std::string fromCodePage950(const std::string& bytes) {
    const iconv_t opened = iconv_open("UTF-8", "CP950");
    if (opened == reinterpret_cast<iconv_t>(-1)) return "<no CP950 converter>";
    const std::unique_ptr<std::remove_pointer_t<iconv_t>, int (*)(iconv_t)> converter(opened, iconv_close);
    std::string input = bytes;
    std::string output(4 * bytes.size(), '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return "<not Big5>";
    output.resize(output.size() - outLeft);
    return output;
}

class BusyNotice : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(BusyNotice, TextFollowsTheUsersLanguage) {
    const BusyNoticeText notice = busyNoticeText(GetParam().language);
    const std::string bytes(reinterpret_cast<const char*>(notice.bytes), notice.length);
    if (GetParam().chinese) {
        EXPECT_EQ(notice.codePage, 950u);
        EXPECT_EQ(notice.length, 32u);
        EXPECT_EQ(fromCodePage950(bytes), "USB 裝置使用中，無法移除或切換。");
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
