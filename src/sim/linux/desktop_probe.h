#pragma once

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <array>
#include <string>

#include "app/gtk/desktop_program.h"
#include "app/gtk/desktop_shell.h"

namespace pivora::sim {

// What the two-computer run reads of this computer's desktop, and does to
// it, on the session bus: org.pivora.Probe.Ask(command) at /org/pivora/Probe,
// one command a call, answered with one line, "ok ..." or "error ...", as
// the Windows program's driver answers of its computer:
//   panel              the panel as its user sees it: "<firmware>\t<host>\t<type>\t<notice>",
//                      then "\t<port>:<claim>:<release>:<claim name>:<release name>:<name>"
//                      a row shown
//   show <x> <y>       the window brought up at (x, y) of the screen
//   where <id>         the screen point at the middle of a control
//   focus              the keyboard to the window, as a window manager gives it on a click
//   foreground         "ok 1" while the window has the keyboard
//   clicks             how many clicks the arrow buttons took
//   pending <id> <n>   "ok" once a click after the first n was on arrow <id> and it shows pending
//   dismiss            the busy notice's OK
//   close              Quit, as from the menu
// Lives on GTK's thread, as long as the desktop it looks at.
class DesktopProbe : public DesktopWatcher {
public:
    DesktopProbe(DesktopShell& shell, GDBusConnection* session);
    ~DesktopProbe() override;
    DesktopProbe(const DesktopProbe&) = delete;
    DesktopProbe& operator=(const DesktopProbe&) = delete;

    std::string answer(const std::string& command);

private:
    struct ArrowClick {
        DesktopProbe* probe;
        int id;
    };
    static void onCall(GDBusConnection* connection, const gchar* sender, const gchar* path, const gchar* interface,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self);
    static void onArrowClicked(GtkButton* button, gpointer click);

    std::string panel();
    std::string where(int id);
    std::string pending(int id, int clicksBefore);

    DesktopShell& shell_;
    GDBusConnection* session_;
    guint registration_ = 0;
    std::array<ArrowClick, 8> arrows_{};
    int clicks_ = 0;
    int clickedId_ = 0;
};

}  // namespace pivora::sim
