#include <gtest/gtest.h>

#include <list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/gtk/panel_window.h"
#include "gtk_fixture.h"
#include "ui/texts.h"

namespace pivora {
namespace {

using test::accessibleName;
using test::shownInReadingOrder;
using test::widgetNamed;

PortRowState row(const char* name, ArrowImage claim, ArrowImage release) {
    return PortRowState{true, name, claim, release};
}

PanelState twoPort() {
    PanelState panel;
    panel.firmwareVersion = "1.2.3";
    panel.host = "A";
    panel.switchType = "2-2";
    panel.layout = TwoPort;
    panel.ports[3] = row("Logitech Receiver", ArrowImage::Lit, ArrowImage::Dim);
    panel.ports[2] = row("SanDisk Cruzer", ArrowImage::Dim, ArrowImage::Lit);
    return panel;
}

PanelState fourPort() {
    PanelState panel;
    panel.firmwareVersion = "1.2.3";
    panel.host = "B";
    panel.switchType = "2-4";
    panel.layout = FourPort;
    panel.ports[3] = row("HP LaserJet", ArrowImage::Dim, ArrowImage::Lit);
    panel.ports[2] = row("SanDisk Cruzer", ArrowImage::Lit, ArrowImage::Dim);
    panel.ports[1] = row("Logitech Mouse", ArrowImage::Dim, ArrowImage::Lit);
    panel.ports[0] = row("Broadcom Bluetooth", ArrowImage::Lit, ArrowImage::Dim);
    return panel;
}

PanelState claimPending() {
    PanelState panel = twoPort();
    panel.ports[2].claim = ArrowImage::Pending;
    return panel;
}

// An arrow as a user meets it: what a screen reader says, the art it shows.
struct Arrow {
    std::string name;
    std::string art;
    bool operator==(const Arrow& other) const { return name == other.name && art == other.art; }
};
void PrintTo(const Arrow& arrow, std::ostream* out) { *out << arrow.name << " [" << arrow.art << "]"; }

struct PanelCase {
    const char* title;
    PanelState panel;
    std::vector<std::string> names;  // the rows shown, top to bottom
    std::vector<Arrow> arrows;       // top to bottom, left to right
    std::size_t frames;
    std::vector<std::string> status;  // SW, FW, Host, Type
};

class PanelWindowTest : public ::testing::Test {
protected:
    PanelWindowTest()
        : window(test::application(), PanelWindow::Actions{[this](const Command& command) { posted.push_back(command); },
                                                         [this](GtkWidget* anchor) { menuAnchors.push_back(anchor); }}) {}

    GtkWidget* top() const { return reinterpret_cast<GtkWidget*>(window.window()); }

    std::vector<Arrow> shownArrows() const {
        std::vector<Arrow> arrows;
        for (GtkWidget* button : shownInReadingOrder(top(), GTK_TYPE_BUTTON)) {
            GtkWidget* image = gtk_bin_get_child(reinterpret_cast<GtkBin*>(button));
            if (GTK_IS_IMAGE(image) == FALSE) continue;  // OK and the menu button
            arrows.push_back(Arrow{accessibleName(button), gtk_widget_get_name(image)});
        }
        return arrows;
    }

    std::vector<Command> posted;
    std::vector<GtkWidget*> menuAnchors;
    PanelWindow window;
};

class PanelRendering : public PanelWindowTest, public ::testing::WithParamInterface<PanelCase> {};

// The rows, the arrows (what each is called and which art it shows), the
// frames and the status box, as a user finds them; and a screenshot of each.
TEST_P(PanelRendering, ShowsWhatThePanelSays) {
    const PanelCase& c = GetParam();
    window.render(c.panel);
    test::showAndDraw(window.window());
    // At a scale factor of 2 (GDK_SCALE=2) the 200 % art is shown.
    const bool doubled = gtk_widget_get_scale_factor(top()) >= 2;
    test::saveScreenshot(window.window(), std::string(c.title) + (doubled ? "@2x" : ""));

    // Labels in reading order: "Status" sits beside the first row, so the
    // rows and the status box are read apart.
    std::vector<std::string> names;
    std::vector<std::string> status;
    for (GtkWidget* label : shownInReadingOrder(top(), GTK_TYPE_LABEL)) {
        int x = 0;
        int y = 0;
        gtk_widget_translate_coordinates(label, top(), 0, 0, &x, &y);
        if (GTK_IS_BUTTON(gtk_widget_get_parent(label)) != FALSE) continue;  // OK
        const std::string text = gtk_label_get_text(reinterpret_cast<GtkLabel*>(label));
        if (x > 190 && x < 350) names.push_back(text);
        if (x >= 70 && x < 150) status.push_back(text);
    }
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(status, c.status);
    std::vector<Arrow> arrows = c.arrows;
    for (Arrow& arrow : arrows)
        if (doubled) arrow.art += "@200";
    EXPECT_EQ(shownArrows(), arrows);
    std::size_t frames = 0;
    for (GtkWidget* frame : shownInReadingOrder(top(), GTK_TYPE_FRAME))
        if (gtk_frame_get_label(reinterpret_cast<GtkFrame*>(frame)) == nullptr) ++frames;
    EXPECT_EQ(frames, c.frames);
    EXPECT_STREQ(gtk_window_get_title(window.window()), text::kMainWindowTitle);
}

INSTANTIATE_TEST_SUITE_P(
    States, PanelRendering,
    ::testing::Values(
        PanelCase{"two-port", twoPort(), {"Logitech Receiver", "SanDisk Cruzer"},
                  {{"Port 1, on this computer", "arrow_lit_1"}, {"Port 1, move to the other computer", "arrow_dim_1"},
                   {"Port 2, move here", "arrow_dim_2"}, {"Port 2, on the other computer", "arrow_lit_2"}},
                  2, {text::kSoftwareVersion, "1.2.3", "A", "2-2"}},
        PanelCase{"four-port", fourPort(), {"HP LaserJet", "SanDisk Cruzer", "Logitech Mouse", "Broadcom Bluetooth"},
                  {{"Port 1, move here", "arrow_dim_1"}, {"Port 1, on the other computer", "arrow_lit_1"},
                   {"Port 2, on this computer", "arrow_lit_2"}, {"Port 2, move to the other computer", "arrow_dim_2"},
                   {"Port 3, move here", "arrow_dim_3"}, {"Port 3, on the other computer", "arrow_lit_3"},
                   {"Port 4, on this computer", "arrow_lit_4"}, {"Port 4, move to the other computer", "arrow_dim_4"}},
                  4, {text::kSoftwareVersion, "1.2.3", "B", "2-4"}},
        PanelCase{"claim-pending", claimPending(), {"Logitech Receiver", "SanDisk Cruzer"},
                  {{"Port 1, on this computer", "arrow_lit_1"}, {"Port 1, move to the other computer", "arrow_dim_1"},
                   {"Port 2, pending", "arrow_pending_2"}, {"Port 2, on the other computer", "arrow_lit_2"}},
                  2, {text::kSoftwareVersion, "1.2.3", "A", "2-2"}},
        PanelCase{"no-switch", PanelState{}, {}, {}, 0, {text::kSoftwareVersion, "", "", ""}}),
    [](const ::testing::TestParamInfo<PanelCase>& shown) {
        std::string name = shown.param.title;
        for (char& character : name)
            if (character == '-') character = '_';
        return name;
    });

// A click on an arrow posts the move of that arrow's port, whichever way.
TEST_F(PanelWindowTest, AClickOnAnArrowPostsItsMove) {
    window.render(fourPort());
    const std::vector<std::pair<const char*, Command>> clicks = {
        {"Port 1, move here", Command{Command::Claim, 3}},
        {"Port 2, move to the other computer", Command{Command::Release, 2}},
        {"Port 4, on this computer", Command{Command::Claim, 0}},
        {"Port 3, on the other computer", Command{Command::Release, 1}},
    };
    for (const auto& [name, command] : clicks) {
        posted.clear();
        GtkWidget* arrow = widgetNamed(top(), name);
        ASSERT_NE(arrow, nullptr) << name;
        gtk_button_clicked(reinterpret_cast<GtkButton*>(arrow));
        ASSERT_EQ(posted.size(), 1U) << name;
        EXPECT_EQ(posted[0].kind, command.kind) << name;
        EXPECT_EQ(posted[0].value, command.value) << name;
    }
}

// The same, clicked with the pointer through the X server.
TEST_F(PanelWindowTest, ARealClickPostsTheMove) {
    window.render(twoPort());
    test::showAndDraw(window.window());
    GtkWidget* arrow = widgetNamed(top(), "Port 2, move here");
    ASSERT_NE(arrow, nullptr);
    int x = 0;
    int y = 0;
    gdk_window_get_origin(gtk_widget_get_window(top()), &x, &y);
    int inX = 0;
    int inY = 0;
    gtk_widget_translate_coordinates(arrow, top(), gtk_widget_get_allocated_width(arrow) / 2,
                                     gtk_widget_get_allocated_height(arrow) / 2, &inX, &inY);
    const std::string command =
        "xdotool mousemove --sync " + std::to_string(x + inX) + " " + std::to_string(y + inY) + " click 1";
    gint status = -1;
    ASSERT_TRUE(g_spawn_command_line_sync(command.c_str(), nullptr, nullptr, &status, nullptr));
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(test::runUntil([this] { return !posted.empty(); }));
    ASSERT_EQ(posted.size(), 1U);
    EXPECT_EQ(posted[0].kind, Command::Claim);
    EXPECT_EQ(posted[0].value, 2);
}

// Records the widgets a render changes: each says so through GObject's
// notify, on itself or on its accessible.
class ChangedWidgets {
public:
    explicit ChangedWidgets(GtkWidget* top) {
        for (GtkWidget* widget : test::widgetsUnder(top)) {
            watch(reinterpret_cast<GObject*>(widget), widget);
            watch(reinterpret_cast<GObject*>(gtk_widget_get_accessible(widget)), widget);
        }
    }
    ~ChangedWidgets() {
        for (const Watch& watched : watches_) g_signal_handler_disconnect(watched.object, watched.handler);
    }
    ChangedWidgets(const ChangedWidgets&) = delete;
    ChangedWidgets& operator=(const ChangedWidgets&) = delete;
    const std::set<GtkWidget*>& widgets() const { return changed_; }

private:
    struct Watch {
        ChangedWidgets* changes;
        GtkWidget* widget;
        GObject* object;
        gulong handler;
    };
    void watch(GObject* object, GtkWidget* widget) {
        Watch& watched = watches_.emplace_back(Watch{this, widget, object, 0});
        watched.handler = connectSignal(object, "notify", &onNotify, &watched);
    }
    static void onNotify(GObject* /*object*/, GParamSpec* /*property*/, gpointer watch) {
        const Watch& watched = *static_cast<Watch*>(watch);
        watched.changes->changed_.insert(watched.widget);
    }
    std::list<Watch> watches_;  // each handed to its handler, so never moved
    std::set<GtkWidget*> changed_;
};

// Rendering what is drawn already touches nothing; a new name touches that
// row's name box alone, and a pending arrow that button alone.
TEST_F(PanelWindowTest, RenderTouchesOnlyWhatChanged) {
    window.render(twoPort());
    test::showAndDraw(window.window());
    GtkWidget* arrow = widgetNamed(top(), "Port 2, move here");
    ASSERT_NE(arrow, nullptr);
    GtkWidget* arrowImage = gtk_bin_get_child(reinterpret_cast<GtkBin*>(arrow));
    GtkWidget* secondName = nullptr;
    for (GtkWidget* label : shownInReadingOrder(top(), GTK_TYPE_LABEL))
        if (std::string(gtk_label_get_text(reinterpret_cast<GtkLabel*>(label))) == "SanDisk Cruzer") secondName = label;
    ASSERT_NE(secondName, nullptr);
    {
        const ChangedWidgets changed{top()};
        window.render(twoPort());
        EXPECT_TRUE(changed.widgets().empty()) << changed.widgets().size() << " widgets changed";
    }
    {
        PanelState renamed = twoPort();
        renamed.ports[2].name = "Kingston DataTraveler";
        const ChangedWidgets changed{top()};
        window.render(renamed);
        EXPECT_EQ(changed.widgets(), std::set<GtkWidget*>{secondName});
    }
    {
        window.render(twoPort());
        const ChangedWidgets changed{top()};
        window.render(claimPending());
        EXPECT_EQ(changed.widgets(), (std::set<GtkWidget*>{arrow, arrowImage}));
    }
}

// OK and the close box hide the window; it is not destroyed, and shows
// again as it was.
TEST_F(PanelWindowTest, OkAndTheCloseBoxHideIt) {
    window.render(twoPort());
    for (const bool closeBox : {false, true}) {
        test::showAndDraw(window.window());
        ASSERT_TRUE(gtk_widget_get_visible(top()));
        if (closeBox)
            gtk_window_close(window.window());
        else
            gtk_button_clicked(reinterpret_cast<GtkButton*>(widgetNamed(top(), "OK")));
        test::settle();
        EXPECT_FALSE(gtk_widget_get_visible(top())) << (closeBox ? "close box" : "OK");
    }
    window.present();
    test::settle();
    EXPECT_NE(widgetNamed(top(), "Port 2, move here"), nullptr);
    EXPECT_TRUE(posted.empty());
}

// The menu button shows only when asked for, and hands itself as the
// menu's anchor.
TEST_F(PanelWindowTest, TheMenuButtonShowsOnlyWhenAskedFor) {
    GtkWidget* menu = widgetNamed(top(), "Menu");
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(gtk_widget_get_visible(menu));
    window.showMenuButton(true);
    EXPECT_TRUE(gtk_widget_get_visible(menu));
    window.render(twoPort());
    test::showAndDraw(window.window());
    test::saveScreenshot(window.window(), "menu-button");
    gtk_button_clicked(reinterpret_cast<GtkButton*>(menu));
    EXPECT_EQ(menuAnchors, std::vector<GtkWidget*>{menu});
    window.showMenuButton(false);
    EXPECT_FALSE(gtk_widget_get_visible(menu));
}

}  // namespace
}  // namespace pivora
