#include "ui/port_summary.h"

#include <gtest/gtest.h>

namespace pivora {
namespace {

PortRowState row(const char* name, ArrowImage claim, ArrowImage release) {
    PortRowState state;
    state.visible = true;
    state.name = name;
    state.claim = claim;
    state.release = release;
    return state;
}

TEST(PortSummary, NumbersPortsAsTheirArrowsDoAndReadsTheOwnerFromTheLitArrow) {
    PanelState panel;
    panel.layout = FourPort;
    panel.ports[0] = row("Printer", ArrowImage::Dim, ArrowImage::Lit);       // the user's port 4
    panel.ports[1] = row("Keyboard", ArrowImage::Lit, ArrowImage::Pending);  // 3, leaving
    panel.ports[2] = row("Stick", ArrowImage::Pending, ArrowImage::Lit);     // 2, coming
    panel.ports[3] = row("Mouse", ArrowImage::Lit, ArrowImage::Dim);         // 1

    const SwitchSummary summary = summarize(panel);
    ASSERT_TRUE(summary.connected);
    ASSERT_EQ(summary.ports.size(), 4u);
    const struct {
        int number;
        const char* device;
        bool here;
        bool pending;
    } expected[] = {{1, "Mouse", true, false},
                    {2, "Stick", false, true},
                    {3, "Keyboard", true, true},
                    {4, "Printer", false, false}};
    for (std::size_t i = 0; i < summary.ports.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(summary.ports[i].number, expected[i].number);
        EXPECT_EQ(summary.ports[i].device, expected[i].device);
        EXPECT_EQ(summary.ports[i].here, expected[i].here);
        EXPECT_EQ(summary.ports[i].pending, expected[i].pending);
    }
}

TEST(PortSummary, ATwoPortSwitchHasPortsOneAndTwoAndNoSwitchHasNone) {
    PanelState panel;
    panel.layout = TwoPort;
    panel.ports[2] = row("Stick", ArrowImage::Lit, ArrowImage::Dim);
    panel.ports[3] = row("", ArrowImage::Dim, ArrowImage::Lit);
    SwitchSummary summary = summarize(panel);
    ASSERT_EQ(summary.ports.size(), 2u);
    EXPECT_EQ(summary.ports[0].number, 1);
    EXPECT_EQ(summary.ports[1].number, 2);
    EXPECT_EQ(summary.ports[1].device, "Stick");

    // Rows shown before the first status: no owner yet, no port to offer.
    panel.ports[2].claim = panel.ports[2].release = ArrowImage::Hidden;
    panel.ports[3].claim = panel.ports[3].release = ArrowImage::Hidden;
    EXPECT_FALSE(summarize(panel).connected);
    EXPECT_FALSE(summarize(PanelState{}).connected);
}

TEST(PortSummary, MapsUserNumbersToControlPortsAndRejectsTheRest) {
    for (int number = 1; number <= 4; ++number) EXPECT_EQ(userNumberOf(controlPortOf(number)), number);
    EXPECT_EQ(controlPortOf(1), 3);
    for (int bad : {0, 5, -1}) EXPECT_EQ(controlPortOf(bad), -1);
    for (int bad : {-1, 4}) EXPECT_EQ(userNumberOf(bad), -1);
}

}  // namespace
}  // namespace pivora
