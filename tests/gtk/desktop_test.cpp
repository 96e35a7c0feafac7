// The Linux desktop as a user meets it: the window, the tray icon, the
// notifications and the double tap around the control, the control running
// on its own thread over the Linux backends of a computer at the simulated
// switch (sysfs, hidraw, udisks2, CUPS stand-ins), on a private X server and
// session bus.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/gtk/desktop_shell.h"
#include "gtk_fixture.h"
#include "linux_computer.h"
#include "log/diagnostic_log_file.h"
#include "panel_stand_in.h"
#include "platform/posix/posix_log_file_api.h"
#include "temporary_folder.h"
#include "tray_session.h"

namespace pivora::test {
namespace {

constexpr int kMoveMs = 30000;  // a move, the stand-ins' answers included, in wall time

class Desktop : public LinuxComputer {
protected:
    void SetUp() override {
        LinuxComputer::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(notificationDaemon.running());
    }

    void TearDown() override {
        if (control != nullptr) control->stop();
        {
            const std::lock_guard<std::mutex> hold(pendingLock);
            if (pending != 0) g_source_remove(pending);
            pending = 0;
        }
        shell.reset();
        settle();
        LinuxComputer::TearDown();
    }

    // The desktop over the control on its own thread; a panel's watcher on
    // the session bus when `tray`.
    void startDesktop(bool tray) {
        if (tray) {
            panel = std::make_unique<PanelStandIn>();
            ASSERT_TRUE(panel->running());
        }
        ControlThread& running = startThread();
        shell = std::make_unique<DesktopShell>(DesktopShell::Parts{running, session.get(), settings, autostart, log,
                                                                   DisplayServer::X11, [] {}});
        // As the program does: each new panel shown on GTK's thread.
        running.start([this] {
            const std::lock_guard<std::mutex> hold(pendingLock);
            if (pending == 0) pending = g_idle_add(onPanel, this);
        });
        shell->start();
    }

    static gboolean onPanel(gpointer self) {
        auto* test = static_cast<Desktop*>(self);
        {
            const std::lock_guard<std::mutex> hold(test->pendingLock);
            test->pending = 0;
        }
        test->shell->panelChanged(test->control->panel());
        return G_SOURCE_REMOVE;
    }

    SwitchSummary shown() const { return summarize(control->panel()); }
    GtkWidget* windowWidget() const { return reinterpret_cast<GtkWidget*>(shell->window().window()); }
    GtkWidget* arrow(const std::string& name) const { return widgetNamed(windowWidget(), name); }

    // The switch shown with port 1 (the stick) here or not.
    bool stickShown(bool here) {
        return runUntil(
            [&] {
                const SwitchSummary now = shown();
                return now.connected && now.ports.at(0).here == here && !now.ports.at(0).pending &&
                       arrow(here ? "Port 1, on this computer" : "Port 1, on the other computer") != nullptr;
            },
            kMoveMs);
    }

    std::vector<std::string> notificationTitles() {
        std::vector<std::string> titles;
        const GVariantHandle reply = notificationDaemon.control("/org/freedesktop/Notifications", "GetMethodCalls",
                                                                g_variant_new("(s)", "Notify"), "(a(tav))");
        if (!reply) return titles;
        const GVariantHandle calls(g_variant_get_child_value(reply.get(), 0));
        for (gsize i = 0; i < g_variant_n_children(calls.get()); ++i) {
            const GVariantHandle call(g_variant_get_child_value(calls.get(), i));
            const GVariantHandle arguments(g_variant_get_child_value(call.get(), 1));
            const GVariantHandle boxed(g_variant_get_child_value(arguments.get(), 3));
            const GVariantHandle title(g_variant_get_variant(boxed.get()));
            titles.emplace_back(g_variant_get_string(title.get(), nullptr));
        }
        return titles;
    }

    static GtkWidget* busyNotice() {
        const std::unique_ptr<GList, decltype(&g_list_free)> toplevels(gtk_window_list_toplevels(), g_list_free);
        for (GList* item = toplevels.get(); item != nullptr; item = item->next) {
            auto* window = static_cast<GtkWindow*>(item->data);
            const char* title = gtk_window_get_title(window);
            if (title != nullptr && std::string(title) == "MESSAGE") return reinterpret_cast<GtkWidget*>(window);
        }
        return nullptr;
    }

    TemporaryFolder folder;
    DesktopSettings settings{(folder.path() / "settings.ini").string()};
    XdgAutostart autostart{(folder.path() / "autostart").string(), "/usr/bin/pivora"};
    PosixLogFileApi logFiles{(folder.path() / "state").string()};
    DiagnosticLogFile log{logFiles};
    GObjectHandle<GDBusConnection> session = traySession().connect();
    DbusMock notificationDaemon{traySession(), "org.freedesktop.Notifications", {"-t", "notification_daemon"}};
    std::unique_ptr<PanelStandIn> panel;
    std::unique_ptr<DesktopShell> shell;
    std::mutex pendingLock;
    guint pending = 0;
};

// No panel shows tray icons: the window opens at start with its menu button,
// shows the switch, and its arrow gives the stick away (unmounted first),
// which a notification tells.
TEST_F(Desktop, WithoutATrayTheWindowOpensAndItsArrowGivesTheStickAway) {
    plugStick(kStickPort);
    plugPrinter(kPrinterPort);
    layOut(0x0C);
    startDesktop(false);
    ASSERT_TRUE(stickShown(true));
    EXPECT_TRUE(gtk_widget_get_visible(windowWidget()));
    settle();
    saveScreenshot(shell->window().window(), "desktop-two-port");

    gtk_button_clicked(GTK_BUTTON(arrow("Port 1, move to the other computer")));
    // On its way, the arrow says so until the port has left.
    ASSERT_TRUE(runUntil([&] { return arrow("Port 1, pending") != nullptr; }, kMoveMs));
    settle();
    if (arrow("Port 1, pending") != nullptr) saveScreenshot(shell->window().window(), "desktop-pending");
    ASSERT_TRUE(stickShown(false));
    EXPECT_EQ(udisksCalls(), (std::vector<std::string>{"Unmount sdb1", "PowerOff Stick"}));
    EXPECT_TRUE(runUntil([&] {
        const std::vector<std::string> titles = notificationTitles();
        return !titles.empty() && titles.back() == "Port 1 went to the other computer";
    }));
    settle();
    saveScreenshot(shell->window().window(), "desktop-stick-given-away");
}

// A file open on the stick: the port stays, and the busy notice says why.
TEST_F(Desktop, ABusyStickKeepsItsPortAndTheBusyNoticeShows) {
    plugStick(kStickPort);
    layOut(0x08);
    udisks2->control(kUdisks2, "SetError",
                     g_variant_new("(os)", kStickFilesystem, "org.freedesktop.UDisks2.Error.DeviceBusy"));
    startDesktop(false);
    ASSERT_TRUE(stickShown(true));

    gtk_button_clicked(GTK_BUTTON(arrow("Port 1, move to the other computer")));
    ASSERT_TRUE(runUntil([] { return busyNotice() != nullptr && gtk_widget_get_mapped(busyNotice()); }, kMoveMs));
    EXPECT_TRUE(stickShown(true));
    settle();
    saveScreenshot(GTK_WINDOW(busyNotice()), "desktop-busy-notice");
}

// A panel shows tray icons: the window stays hidden, the icon registers,
// and the port's line of its menu, clicked as a panel does, moves the port
// away and back; Open brings up the window.
TEST_F(Desktop, TheTrayIconStandsInForTheWindowAndItsMenuMovesThePort) {
    plugStick(kStickPort);
    layOut(0x08);
    startDesktop(true);
    ASSERT_TRUE(stickShown(true));
    EXPECT_TRUE(shell->hasTrayIcon());
    EXPECT_FALSE(gtk_widget_get_visible(windowWidget()));
    ASSERT_TRUE(panel->itemRegistered());

    // The menu is rebuilt as the panel changes: its items are read afresh.
    const auto clickLine = [&](const std::string& label) {
        std::vector<ShownItem> menu;
        const bool shownThere = runUntil(
            [&] {
                menu = panel->shownMenu();
                return findLabel(menu, label) != nullptr;
            },
            kMoveMs);
        if (shownThere) panel->click(findLabel(menu, label)->id);
        return shownThere;
    };
    ASSERT_TRUE(clickLine("Port _1 \u00B7 Kingston DataTraveler 3.0 \u00B7 here"));
    EXPECT_TRUE(stickShown(false));
    ASSERT_TRUE(clickLine("Port _1 \u00B7 Kingston Technology DataTraveler 100 \u00B7 on the other computer"));
    EXPECT_TRUE(stickShown(true));
    ASSERT_TRUE(clickLine("_Open"));
    EXPECT_TRUE(runUntil([&] { return gtk_widget_get_mapped(windowWidget()) != FALSE; }));
}

// NumLock tapped twice on the X server moves all ports: port 2, the other
// computer's, comes here; twice more, and both go.
TEST_F(Desktop, ADoubleTapOfNumLockMovesAllPorts) {
    plugStick(kStickPort);
    layOut(0x08);
    startDesktop(false);
    ASSERT_TRUE(stickShown(true));
    const auto port2Here = [&](bool here) {
        return runUntil(
            [&] {
                const SwitchSummary now = shown();
                return now.connected && now.ports.at(1).here == here && !now.ports.at(1).pending;
            },
            kMoveMs);
    };
    ASSERT_TRUE(port2Here(false));
    ASSERT_EQ(std::system("xdotool key Num_Lock key Num_Lock"), 0);
    EXPECT_TRUE(port2Here(true));
    ASSERT_EQ(std::system("xdotool key Num_Lock key Num_Lock"), 0);
    EXPECT_TRUE(port2Here(false));
    EXPECT_TRUE(stickShown(false));
}

// The four-port form, as the window draws it from the computer's own sysfs.
TEST_F(Desktop, TheFourPortFormShowsEveryPort) {
    plugStick(0);
    plugPrinter(1);
    layOut(0x03, sim::SwitchHub::Form::FourPort);
    startDesktop(false);
    ASSERT_TRUE(runUntil(
        [&] { return arrow("Port 4, on this computer") != nullptr && arrow("Port 3, on this computer") != nullptr; },
        kMoveMs));
    EXPECT_NE(arrow("Port 1, move here"), nullptr);
    settle();
    saveScreenshot(shell->window().window(), "desktop-four-port");
}

}  // namespace
}  // namespace pivora::test
