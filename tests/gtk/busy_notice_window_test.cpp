#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/gtk/busy_notice_window.h"
#include "app/gtk/panel_window.h"
#include "gtk_fixture.h"

namespace pivora {
namespace {

struct NoticeCase {
    const char* title;
    const char* language;  // LANGUAGE, as the session sets it
    const char* text;
};

class BusyNoticeText : public ::testing::TestWithParam<NoticeCase> {};

// The notice speaks Traditional Chinese to Taiwan and Hong Kong, English to
// everyone else, following the language of the moment.
TEST_P(BusyNoticeText, FollowsTheLanguage) {
    const NoticeCase& c = GetParam();
    const char* before = g_getenv("LANGUAGE");
    const std::string saved = before != nullptr ? before : "";
    g_setenv("LANGUAGE", c.language, TRUE);

    PanelWindow panel(test::application(), PanelWindow::Actions{});
    test::showAndDraw(panel.window());
    BusyNoticeWindow notice(panel.window());
    notice.show();
    test::showAndDraw(notice.window());
    test::saveScreenshot(notice.window(), std::string("busy-notice-") + c.title);

    GtkWidget* top = reinterpret_cast<GtkWidget*>(notice.window());
    const auto labels = test::shownInReadingOrder(top, GTK_TYPE_LABEL);
    ASSERT_FALSE(labels.empty());
    EXPECT_STREQ(gtk_label_get_text(reinterpret_cast<GtkLabel*>(labels.front())), c.text);
    EXPECT_EQ(gtk_window_get_transient_for(notice.window()), panel.window());

    // OK hides it; shown again, it comes back.
    gtk_button_clicked(reinterpret_cast<GtkButton*>(test::widgetNamed(top, "OK")));
    EXPECT_FALSE(gtk_widget_get_visible(top));
    notice.show();
    EXPECT_TRUE(gtk_widget_get_visible(top));

    if (before != nullptr)
        g_setenv("LANGUAGE", saved.c_str(), TRUE);
    else
        g_unsetenv("LANGUAGE");
}

INSTANTIATE_TEST_SUITE_P(
    Languages, BusyNoticeText,
    ::testing::Values(NoticeCase{"taiwan", "zh_TW", "USB 裝置使用中，無法移除或切換。"},
                      NoticeCase{"hong_kong", "zh_HK.UTF-8", "USB 裝置使用中，無法移除或切換。"},
                      NoticeCase{"china", "zh_CN", "USB device is being used, please try later."},
                      NoticeCase{"english", "en_GB", "USB device is being used, please try later."}),
    [](const ::testing::TestParamInfo<NoticeCase>& shown) { return std::string(shown.param.title); });

// A notice whose panel went first is gone with it, and its holder lets go
// without touching it.
TEST(BusyNoticeWindow, GoesWithItsParent) {
    auto panel = std::make_unique<PanelWindow>(test::application(), PanelWindow::Actions{});
    BusyNoticeWindow notice(panel->window());
    notice.show();
    panel.reset();
    EXPECT_EQ(notice.window(), nullptr);
    notice.show();  // nothing to show, and no crash
}

}  // namespace
}  // namespace pivora
