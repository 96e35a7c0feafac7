#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/tray_menu_items.h"

namespace pivora::test {
namespace {

std::u16string widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

const TrayMenuItem* find(const std::vector<TrayMenuItem>& items, int id) {
    for (const TrayMenuItem& item : items)
        if (item.kind == TrayMenuItem::Command && item.id == id) return &item;
    return nullptr;
}

TrayMenuItem doubleTapSubmenu(const std::vector<TrayMenuItem>& items) {
    for (const TrayMenuItem& item : items)
        if (item.kind == TrayMenuItem::Submenu) return item;
    throw std::logic_error("no submenu");
}

SwitchSummary twoPorts() { return {true, {{1, "Receiver", false, false}, {2, "Stick", true, true}}}; }

TEST(TrayMenuItems, LinuxWordingChangesOnlyItsTwoItems) {
    const TrayMenuChoices choices{true, 0, true, false, false, false, false};
    const std::vector<TrayMenuItem> windows = trayMenuItems(twoPorts(), choices, widen);
    const std::vector<TrayMenuItem> onLinux = trayMenuItems(twoPorts(), choices, widen, kLinuxMenuWording);

    ASSERT_EQ(windows.size(), onLinux.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const int id = windows[i].id;
        if (windows[i].kind == TrayMenuItem::Command && (id == tray::StartWithWindows || id == tray::Exit)) continue;
        EXPECT_EQ(windows[i].text, onLinux[i].text) << "item " << i;
    }
    EXPECT_EQ(find(windows, tray::StartWithWindows)->text, u"&Start with Windows");
    EXPECT_EQ(find(onLinux, tray::StartWithWindows)->text, u"&Start at login");
    EXPECT_TRUE(find(onLinux, tray::StartWithWindows)->checked);
    EXPECT_EQ(find(windows, tray::Exit)->text, u"E&xit");
    EXPECT_EQ(find(onLinux, tray::Exit)->text, u"&Quit");
}

TEST(TrayMenuItems, WithoutLockKeysTheDoubleTapSubmenuSaysSoAndOffersNothing) {
    TrayMenuChoices choices;
    choices.doubleTapKeys = 0x7;
    choices.doubleTapUnavailable = true;
    const TrayMenuItem submenu = doubleTapSubmenu(trayMenuItems(twoPorts(), choices, widen, kLinuxMenuWording));

    ASSERT_EQ(submenu.items.size(), 1u);
    EXPECT_EQ(submenu.items[0].text, u"Unavailable on Wayland");
    EXPECT_FALSE(submenu.items[0].enabled);
    EXPECT_FALSE(submenu.items[0].checked);
    EXPECT_EQ(submenu.items[0].id, tray::Dismissed);

    choices.doubleTapUnavailable = false;
    EXPECT_EQ(doubleTapSubmenu(trayMenuItems(twoPorts(), choices, widen)).items.size(), 5u);
}

}  // namespace
}  // namespace pivora::test
