#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/gtk/tray_icon.h"
#include "panel_stand_in.h"

namespace pivora::test {
namespace {

// A panel that shows tray icons, and a TrayIcon over a switch with two
// ports: port 1 on the other computer, port 2 here.
class TrayIconOnAPanel : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(panel.running());
        summary = {true, {{1, "Logitech Receiver", false, false}, {2, "SanDisk Cruzer", true, false}}};
        choices.doubleTapKeys = 0x2;  // ScrollLock's bit
        choices.notifications = true;
        icon = std::make_unique<TrayIcon>(
            [this] {
                return trayMenuItems(
                    summary, choices, [](const std::string& s) { return std::u16string(s.begin(), s.end()); },
                    kLinuxMenuWording);
            },
            [this](int command) { chosen.push_back(command); });
        ASSERT_TRUE(panel.itemRegistered());
    }

    PanelStandIn panel;
    SwitchSummary summary;
    TrayMenuChoices choices;
    std::vector<int> chosen;
    std::unique_ptr<TrayIcon> icon;
};

TEST_F(TrayIconOnAPanel, RegistersAsPivorasActiveApplicationStatusItem) {
    EXPECT_EQ(panel.itemName().front(), ':');  // the indicator's own connection
    EXPECT_EQ(panel.itemString("Id"), "pivora");
    EXPECT_EQ(panel.itemString("Title"), "Pivora");
    EXPECT_EQ(panel.itemString("Category"), "ApplicationStatus");
    EXPECT_EQ(panel.itemString("Status"), "Active");
    EXPECT_EQ(panel.itemString("IconName"), "pivora");
}

TEST_F(TrayIconOnAPanel, ThePanelShowsTheTrayMenu) {
    const std::vector<ShownItem> menu = panel.shownMenu();
    std::vector<std::string> labels;
    for (const ShownItem& item : menu) labels.push_back(item.type == "separator" ? "-" : item.label);
    const std::vector<std::string> expected{"Port _1 \u00B7 Logitech Receiver \u00B7 on the other computer",
                                            "Port _2 \u00B7 SanDisk Cruzer \u00B7 here",
                                            "_Move all ports",
                                            "-",
                                            "_Start at login",
                                            "_Double tap moves all ports",
                                            "_Notifications",
                                            "-",
                                            "_Open",
                                            "_About",
                                            "-",
                                            "_Quit"};
    EXPECT_EQ(labels, expected);

    const ShownItem* notifications = findLabel(menu, "_Notifications");
    ASSERT_NE(notifications, nullptr);
    EXPECT_EQ(notifications->toggle, "checkmark");
    EXPECT_EQ(notifications->state, 1);
    const ShownItem* keys = findLabel(menu, "_Double tap moves all ports");
    ASSERT_NE(keys, nullptr);
    ASSERT_EQ(keys->children.size(), 5u);
    EXPECT_EQ(keys->children[1].label, "_ScrollLock");
    EXPECT_EQ(keys->children[1].state, 1);
    EXPECT_EQ(keys->children[0].toggle, "");  // NumLock unchecked: a plain item
}

TEST_F(TrayIconOnAPanel, AClickOnAPortReachesTheProgramAsThatPortsCommand) {
    const std::vector<ShownItem> menu = panel.shownMenu();
    const ShownItem* port1 = findLabel(menu, "Port _1 \u00B7 Logitech Receiver \u00B7 on the other computer");
    ASSERT_NE(port1, nullptr);
    panel.click(port1->id);
    ASSERT_TRUE(spinUntil(nullptr, [this] { return !chosen.empty(); }));
    EXPECT_EQ(chosen, std::vector<int>{tray::FirstPort + 1});

    const ShownItem* keys = findLabel(menu, "_Double tap moves all ports");
    ASSERT_NE(keys, nullptr);
    panel.click(keys->children[2].id);  // CapsLock, in the submenu
    ASSERT_TRUE(spinUntil(nullptr, [this] { return chosen.size() == 2; }));
    EXPECT_EQ(chosen.back(), tray::KeyCapsLock);
}

TEST_F(TrayIconOnAPanel, ARefreshShowsTheNewState) {
    summary.ports[0].pending = true;
    choices.notifications = false;
    icon->refresh();
    const std::vector<ShownItem> menu = panel.shownMenu();
    const ShownItem* port1 = findLabel(menu, "Port _1 \u00B7 Logitech Receiver \u00B7 on the other computer");
    ASSERT_NE(port1, nullptr);
    EXPECT_FALSE(port1->enabled);
    const ShownItem* notifications = findLabel(menu, "_Notifications");
    ASSERT_NE(notifications, nullptr);
    EXPECT_NE(notifications->state, 1);
}

}  // namespace
}  // namespace pivora::test
