#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/switch_dialog.h"
#include "fake_user_registry.h"
#include "message_queue_window.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"
#include "ui/art_scale.h"
#include "ui/resource_ids.h"
#include "virtual_control.h"

namespace pivora::test {
namespace {

const OsHandle kMainWindow = RecordingWindow::handle(0x77);

constexpr std::uint32_t kArrows[] = {IDB_DIM_1, IDB_DIM_2, IDB_DIM_3, IDB_DIM_4, IDB_LIT_1, IDB_LIT_2,
                                     IDB_LIT_3, IDB_LIT_4, IDB_PENDING_1, IDB_PENDING_2, IDB_PENDING_3, IDB_PENDING_4};
struct Picture {
    int control;
    std::uint32_t bitmap;
};
constexpr Picture kPictures[] = {{IDC_THIS_COMPUTER_PICTURE, IDB_THIS_COMPUTER},
                                 {IDC_OTHER_COMPUTER_PICTURE, IDB_OTHER_COMPUTER},
                                 {IDC_BANNER_PICTURE, IDB_BANNER}};

std::string line(const char* call, std::uint32_t value) { return std::string(call) + " " + std::to_string(value); }
std::string line(const char* call, int control, std::uint32_t bitmap) {
    return std::string(call) + " " + std::to_string(control) + " " + std::to_string(bitmap);
}

// Host A's window on a switch whose port 3 is on host B, its picture
// controls showing what their template loaded, every window call recorded.
class ScaledWindow : public ::testing::Test {
protected:
    ScaledWindow() : platform(sw.hostA.platform(trace)), windows(sw.clock), loop(sw.clock, platform) {
        sw.firmware.setRawMask(0x08);
        sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
        sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
        for (const Picture& picture : kPictures)
            windows.pictures[picture.control] = RecordingWindow::handle(RecordingWindow::kBitmapBase + picture.bitmap);
        dialog.emplace(loop, windows, registry, u"C:\\Pivora\\pivora.exe");
        windows.dispatcher = dispatchTo(*dialog);
    }

    std::vector<std::string> callsSince(std::size_t start) const {
        return std::vector<std::string>(windows.calls.begin() + static_cast<std::ptrdiff_t>(start), windows.calls.end());
    }
    static std::size_t indexOf(const std::vector<std::string>& calls, const std::string& wanted) {
        return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), wanted) - calls.begin());
    }
    // WM_DPICHANGED, then what the window posted itself, handed out.
    std::vector<std::string> moveTo(int dpi, const ScreenRect& suggested) {
        const std::size_t start = windows.calls.size();
        dialog->onDpiChanged(dpi, suggested);
        loop.runUntil(sw.clock.now());
        return callsSince(start);
    }

    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    Platform platform;
    MessageQueueWindow windows;
    VirtualControl loop;
    FakeUserRegistry registry;
    std::optional<SwitchDialog> dialog;
};

struct CreationCase {
    int dpi;
    int percent;
    const char* fourthRowButton;  // its size in pixels
};

class CreatedAt : public ScaledWindow, public ::testing::WithParamInterface<CreationCase> {};

TEST_P(CreatedAt, FitsTheFourthRowToTheDpiAndShowsTheImagesDrawnNearestToIt) {
    const CreationCase& c = GetParam();
    dialog->initMainWindow(kMainWindow, c.dpi);
    for (int button : {IDC_CLAIM_ROW4, IDC_RELEASE_ROW4})
        EXPECT_TRUE(windows.called("resizeControl " + std::to_string(button) + " " + c.fourthRowButton)) << button;
    for (std::uint32_t arrow : kArrows) EXPECT_TRUE(windows.called(line("loadBitmap", bitmapAt(arrow, c.percent))));
    if (c.percent == 100) {
        EXPECT_EQ(windows.count("setPictureImage"), 0u) << "the template's pictures stay";
        EXPECT_EQ(windows.count("loadBitmap"), 12u);
        return;
    }
    for (const Picture& picture : kPictures) {
        EXPECT_TRUE(windows.called(line("setPictureImage", picture.control, bitmapAt(picture.bitmap, c.percent))));
        EXPECT_TRUE(windows.called(line("deleteBitmap", picture.bitmap))) << "the template's, given back";
    }
    EXPECT_EQ(windows.count("loadBitmap"), 15u);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, CreatedAt,
                         ::testing::Values(CreationCase{96, 100, "15x27"}, CreationCase{120, 125, "19x34"},
                                           CreationCase{144, 150, "23x41"},
                                           // 175 %, halfway: the smaller images fit.
                                           CreationCase{168, 150, "26x47"}, CreationCase{192, 200, "30x54"},
                                           CreationCase{288, 200, "45x81"}));

TEST_F(ScaledWindow, AMoveToAnotherScaleTakesTheSuggestedPlaceThenTheImagesDrawnForIt) {
    dialog->initMainWindow(kMainWindow);
    loop.runUntil(4000);
    // Rows 1 and 2: port 3 there, port 2 here.
    const std::map<int, std::uint32_t> drawn = {
        {IDC_CLAIM_ROW1, IDB_DIM_1}, {IDC_RELEASE_ROW1, IDB_LIT_1}, {IDC_CLAIM_ROW2, IDB_LIT_2}, {IDC_RELEASE_ROW2, IDB_DIM_2}};
    for (const auto& [button, image] : drawn) ASSERT_TRUE(windows.called(line("setButtonImage", button, image)));

    const std::vector<std::string> moved = moveTo(192, ScreenRect{100, 50, 1100, 700});
    ASSERT_GE(moved.size(), 2u);
    EXPECT_EQ(moved[0], "moveWindow 77 100,50 1000x650");
    EXPECT_EQ(moved[1], "postMessage 77 0x0467 192 0x0") << "the rest once the dialog manager has laid it out";
    EXPECT_EQ(indexOf(moved, "resizeControl 1004 30x54"), 2u);
    EXPECT_EQ(indexOf(moved, "resizeControl 1008 30x54"), 3u);
    for (const Picture& picture : kPictures) {
        EXPECT_LT(indexOf(moved, line("setPictureImage", picture.control, IDB_AT_200(picture.bitmap))), moved.size());
        EXPECT_LT(indexOf(moved, line("deleteBitmap", picture.bitmap)), moved.size()) << "the template's";
    }
    std::size_t lastShown = 0;
    for (const auto& [button, image] : drawn) {
        const std::size_t shown = indexOf(moved, line("setButtonImage", button, IDB_AT_200(image)));
        ASSERT_LT(shown, moved.size()) << button;
        lastShown = std::max(lastShown, shown);
    }
    for (std::uint32_t arrow : kArrows) {
        const std::size_t deleted = indexOf(moved, line("deleteBitmap", arrow));
        ASSERT_LT(deleted, moved.size()) << arrow;
        EXPECT_GT(deleted, lastShown) << arrow << " went while a button still showed it";
    }

    // Back on a plain monitor: the 100 % pictures come from the program now.
    const std::vector<std::string> back = moveTo(96, ScreenRect{100, 50, 600, 400});
    EXPECT_LT(indexOf(back, "resizeControl 1004 15x27"), back.size());
    for (const Picture& picture : kPictures) {
        EXPECT_LT(indexOf(back, line("setPictureImage", picture.control, picture.bitmap)), back.size());
        EXPECT_LT(indexOf(back, line("deleteBitmap", IDB_AT_200(picture.bitmap))), back.size());
    }
    for (const auto& [button, image] : drawn)
        EXPECT_LT(indexOf(back, line("setButtonImage", button, image)), back.size()) << button;

    // Another resolution whose nearest images are those shown already.
    EXPECT_EQ(moveTo(100, ScreenRect{100, 50, 610, 410}),
              (std::vector<std::string>{"moveWindow 77 100,50 510x360", "postMessage 77 0x0467 100 0x0",
                                        "resizeControl 1004 16x28", "resizeControl 1008 16x28"}));
}

TEST_F(ScaledWindow, EveryImageLoadedAndEveryTemplatePictureIsDeletedOnce) {
    dialog->initMainWindow(kMainWindow, 120);
    loop.runUntil(4000);
    moveTo(192, ScreenRect{0, 0, 1000, 700});
    moveTo(96, ScreenRect{0, 0, 500, 350});
    dialog->tearDownMainWindow();
    dialog.reset();

    std::multiset<std::string> loaded;
    std::multiset<std::string> deleted;
    for (const std::string& call : windows.calls) {
        if (call.rfind("loadBitmap ", 0) == 0) loaded.insert(call.substr(11));
        if (call.rfind("deleteBitmap ", 0) == 0) deleted.insert(call.substr(13));
    }
    for (const Picture& picture : kPictures) loaded.insert(std::to_string(picture.bitmap));  // by the template
    EXPECT_EQ(deleted, loaded);
}

}  // namespace
}  // namespace pivora::test
