#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "recording_window.h"
#include "ui/panel_view.h"
#include "ui/port_rows.h"

namespace pivora::test {
namespace {

const OsHandle kWindow = RecordingWindow::handle(0x77);

// A panel drawn into recorded window calls, with the real arrow images.
class View : public ::testing::Test {
protected:
    View() { images.load(); }

    // The calls one render made, sorted: the order of independent controls means nothing.
    std::vector<std::string> render(const PanelState& panel) {
        const std::size_t before = windows.calls.size();
        view.render(kWindow, panel);
        std::vector<std::string> calls(windows.calls.begin() + static_cast<std::ptrdiff_t>(before),
                                       windows.calls.end());
        std::sort(calls.begin(), calls.end());
        return calls;
    }
    bool has(const std::vector<std::string>& calls, const std::string& line) {
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }

    RecordingWindow windows;
    ButtonImages images{windows};
    PanelView view{windows, images};
};

PanelState fourPortsHere() {
    PanelState panel;
    panel.layout = FourPort;
    panel.firmwareVersion = "1.2.7";
    for (std::size_t port = 0; port < 4; ++port)
        panel.ports.at(port) = PortRowState{true, "Device " + std::to_string(port), ArrowImage::Lit, ArrowImage::Dim};
    return panel;
}

TEST_F(View, FourPortRowsTheirFramesAndEachPortsOwnArt) {
    const auto calls = render(fourPortsHere());
    // Port 0 is row 4, port 3 row 1.
    for (const char* line : {"setControlText 1012 Device 0", "setControlText 1009 Device 3", "setControlText 1017 1.2.7",
                             "showControl 1012 5", "showControl 1009 5", "showControl 1013 0"})
        EXPECT_TRUE(has(calls, line)) << line;
    for (int frame : {1020, 1021, 1022, 1024}) EXPECT_TRUE(has(calls, "showControl " + std::to_string(frame) + " 5"));
    EXPECT_TRUE(has(calls, "showControl 1023 0")) << "row 5 has no port";
    for (const char* line : {"setButtonImage 1004 153", "setButtonImage 1008 149", "setButtonImage 1003 152",
                             "setButtonImage 1007 148", "setButtonImage 1002 151", "setButtonImage 1006 147",
                             "setButtonImage 1001 164", "setButtonImage 1005 160"})
        EXPECT_TRUE(has(calls, line)) << line;
}

TEST_F(View, TwoPortShowsRowsOneAndTwoInTheirOwnFrames) {
    PanelState panel;
    panel.layout = TwoPort;
    panel.ports[2] = PortRowState{true, "SanDisk Cruzer", ArrowImage::Lit, ArrowImage::Dim};
    panel.ports[3] = PortRowState{true, "Logitech Receiver", ArrowImage::Dim, ArrowImage::Lit};
    const auto calls = render(panel);
    for (const char* line : {"showControl 1020 5", "showControl 1021 5", "showControl 1010 5", "showControl 1009 5"})
        EXPECT_TRUE(has(calls, line)) << line;
    for (const char* line : {"showControl 1011 0", "showControl 1012 0", "showControl 1013 0", "showControl 1022 0",
                             "showControl 1024 0", "showControl 1023 0", "showControl 1004 0", "showControl 1008 0",
                             "showControl 1003 0", "showControl 1007 0"})
        EXPECT_TRUE(has(calls, line)) << line;
    for (const char* line : {"setButtonImage 1002 151", "setButtonImage 1006 147", "setButtonImage 1001 160",
                             "setButtonImage 1005 164"})
        EXPECT_TRUE(has(calls, line)) << line;
}

TEST_F(View, OnlyWhatChangedIsTouched) {
    PanelState panel = fourPortsHere();
    render(panel);
    EXPECT_TRUE(render(panel).empty()) << "the same panel again";

    panel.ports[1].release = ArrowImage::Pending;
    EXPECT_EQ(render(panel), (std::vector<std::string>{"setButtonImage 1007 157", "setControlText 1007 Port 3, pending"}))
        << "the image, and the name that follows it";

    // A row that hides keeps its images; shown again, it shows them.
    panel.ports[1] = PortRowState{};
    EXPECT_EQ(render(panel), (std::vector<std::string>{"setControlText 1011 ", "showControl 1003 0",
                                                       "showControl 1007 0", "showControl 1011 0",
                                                       "showControl 1021 0"}));
    panel.ports[1] = PortRowState{true, "Device 1", ArrowImage::Lit, ArrowImage::Pending};
    EXPECT_EQ(render(panel), (std::vector<std::string>{"setControlText 1011 Device 1", "showControl 1003 5",
                                                       "showControl 1007 5", "showControl 1011 5",
                                                       "showControl 1021 5"}))
        << "the lit and pending images it had are not set again";
}

// The name a screen reader gives an arrow button: the digit on the arrow and
// what its image says.
struct NameCase {
    std::size_t port;
    ArrowImage claim;
    ArrowImage release;
    const char* claimName;
    const char* releaseName;
};

class ArrowName : public View, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ArrowName, FollowsTheImageOfEachButton) {
    const NameCase& c = GetParam();
    PanelState panel = fourPortsHere();
    panel.ports.at(c.port).claim = c.claim;
    panel.ports.at(c.port).release = c.release;
    const auto calls = render(panel);
    const PortRow& row = kPortRows.at(c.port);
    EXPECT_TRUE(has(calls, "setControlText " + std::to_string(row.claimButton) + " " + c.claimName)) << c.claimName;
    EXPECT_TRUE(has(calls, "setControlText " + std::to_string(row.releaseButton) + " " + c.releaseName))
        << c.releaseName;
}

INSTANTIATE_TEST_SUITE_P(
    Images, ArrowName,
    ::testing::Values(
        NameCase{2, ArrowImage::Lit, ArrowImage::Dim, "Port 2, on this computer", "Port 2, move to the other computer"},
        NameCase{2, ArrowImage::Dim, ArrowImage::Lit, "Port 2, move here", "Port 2, on the other computer"},
        NameCase{2, ArrowImage::Pending, ArrowImage::Lit, "Port 2, pending", "Port 2, on the other computer"},
        NameCase{2, ArrowImage::Lit, ArrowImage::Pending, "Port 2, on this computer", "Port 2, pending"},
        // The digit on the arrows counts the rows from the top: port 3 is the first.
        NameCase{3, ArrowImage::Lit, ArrowImage::Dim, "Port 1, on this computer", "Port 1, move to the other computer"},
        NameCase{0, ArrowImage::Dim, ArrowImage::Lit, "Port 4, move here", "Port 4, on the other computer"}));

TEST_F(View, ANameChangesWithItsImageAndAHiddenButtonKeepsItsName) {
    PanelState panel = fourPortsHere();
    render(panel);
    panel.ports[2].claim = ArrowImage::Pending;
    EXPECT_EQ(render(panel), (std::vector<std::string>{"setButtonImage 1002 156", "setControlText 1002 Port 2, pending"}));
    panel.ports[2].claim = ArrowImage::Hidden;
    EXPECT_EQ(render(panel), std::vector<std::string>{"showControl 1002 0"});
    panel.ports[2].claim = ArrowImage::Pending;
    EXPECT_EQ(render(panel), std::vector<std::string>{"showControl 1002 5"}) << "shown again as it was";
    panel.ports[2].claim = ArrowImage::Lit;
    EXPECT_EQ(render(panel),
              (std::vector<std::string>{"setButtonImage 1002 151", "setControlText 1002 Port 2, on this computer"}));
}

TEST_F(View, ImagesLoadedAtAnotherScaleGoToEveryButtonDrawnHiddenOnesToo) {
    PanelState panel = fourPortsHere();
    render(panel);
    panel.ports[0] = PortRowState{};  // row 4 hides, keeping its lit and dim images
    render(panel);

    images = ButtonImages(windows);
    images.load(200);
    const std::size_t before = windows.calls.size();
    view.redrawImages(kWindow);
    std::vector<std::string> calls(windows.calls.begin() + static_cast<std::ptrdiff_t>(before), windows.calls.end());
    std::sort(calls.begin(), calls.end());
    // The 200 % images are their 100 % ids plus 3000.
    EXPECT_EQ(calls, (std::vector<std::string>{"setButtonImage 1001 3164", "setButtonImage 1002 3151",
                                               "setButtonImage 1003 3152", "setButtonImage 1004 3153",
                                               "setButtonImage 1005 3160", "setButtonImage 1006 3147",
                                               "setButtonImage 1007 3148", "setButtonImage 1008 3149"}));
    EXPECT_TRUE(render(panel).empty()) << "the same panel at the new scale: nothing to change";
}

TEST(ArrowOf, EachArrowButtonNamesItsPortAndDirection) {
    struct Case {
        int control;
        bool arrow;
        bool claims;
        int port;
    };
    for (const Case& c : {Case{1001, true, true, 3}, Case{1004, true, true, 0}, Case{1005, true, false, 3},
                          Case{1008, true, false, 0}, Case{1009, false, false, 0}, Case{1015, false, false, 0}}) {
        bool claims = false;
        int port = -1;
        EXPECT_EQ(PanelView::arrowOf(c.control, claims, port), c.arrow) << c.control;
        if (!c.arrow) continue;
        EXPECT_EQ(claims, c.claims) << c.control;
        EXPECT_EQ(port, c.port) << c.control;
    }
}

}  // namespace
}  // namespace pivora::test
