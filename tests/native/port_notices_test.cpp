#include "ui/port_notices.h"

#include <gtest/gtest.h>

namespace pivora {
namespace {

// A four-port panel with each port here (true) or there, none pending.
PanelState fourPorts(std::array<bool, 4> hereByNumber) {
    PanelState panel;
    panel.layout = FourPort;
    const char* names[4] = {"Printer", "Keyboard", "Stick", "Mouse"};  // control ports 0..3
    for (int port = 0; port < 4; ++port) {
        PortRowState& row = panel.ports.at(static_cast<std::size_t>(port));
        row.visible = true;
        row.name = names[port];
        const bool here = hereByNumber.at(static_cast<std::size_t>(3 - port));
        row.claim = here ? ArrowImage::Lit : ArrowImage::Dim;
        row.release = here ? ArrowImage::Dim : ArrowImage::Lit;
    }
    return panel;
}

TEST(PortNotices, TellsMovesOnceTheyAreDoneAndNothingOfWhatWasThereBefore) {
    PortNotices notices;
    EXPECT_FALSE(notices.next(PanelState{}).has_value());
    EXPECT_FALSE(notices.next(fourPorts({true, true, false, false})).has_value()) << "found, not moved";

    PanelState leaving = fourPorts({true, true, false, false});
    leaving.ports[3].release = ArrowImage::Pending;  // the user's port 1 on its way
    EXPECT_FALSE(notices.next(leaving).has_value());
    const auto left = notices.next(fourPorts({false, true, false, false}));
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->title, "Port 1 went to the other computer");
    EXPECT_EQ(left->text, "Mouse");

    const auto several = notices.next(fourPorts({true, true, true, false}));
    ASSERT_TRUE(several.has_value());
    EXPECT_EQ(several->title, "Ports moved");
    EXPECT_EQ(several->text, "Port 1 (Mouse): here\nPort 3 (Keyboard): here");

    // The switch gone and back: what it shows then is no move.
    EXPECT_FALSE(notices.next(PanelState{}).has_value());
    EXPECT_FALSE(notices.next(fourPorts({false, false, false, false})).has_value());
}

TEST(PortNotices, TellsWhichAskedForPortsStayedAndWhy) {
    PortNotices notices;
    PanelState panel = fourPorts({true, true, true, true});
    panel.refusal = Refusal{3, 0, 0};
    EXPECT_FALSE(notices.next(panel).has_value()) << "refusals before the first panel are old news";

    panel.refusal = Refusal{4, 0x02, 0};  // control port 1: the user's port 3
    auto stayed = notices.next(panel);
    ASSERT_TRUE(stayed.has_value());
    EXPECT_EQ(stayed->kind, Balloon::Warning);
    EXPECT_EQ(stayed->title, "Port 3 stayed on this computer");
    EXPECT_EQ(stayed->text, "Port 3 (Keyboard): the device is in use. Close what uses it, then move the port again.");
    EXPECT_FALSE(notices.next(panel).has_value()) << "told once";

    panel.refusal = Refusal{5, 0x08, 0x01};
    stayed = notices.next(panel);
    ASSERT_TRUE(stayed.has_value());
    EXPECT_EQ(stayed->title, "Ports stayed on this computer");
    EXPECT_EQ(stayed->text,
              "Port 1 (Mouse): the device is in use. Close what uses it, then move the port again.\n"
              "Port 4 (Printer): the printer is printing. Move the port once it is done.");
}

}  // namespace
}  // namespace pivora
