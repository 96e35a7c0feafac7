#pragma once

#include <gtk/gtk.h>

namespace pivora {

// The busy notice on the Linux desktop: a small window of its own, over the
// panel, saying a device on a port the other computer asked for is in use.
// Made once and shown each time; OK and the close box hide it again.
class BusyNoticeWindow {
public:
    explicit BusyNoticeWindow(GtkWindow* parent);
    ~BusyNoticeWindow();  // destroys it, unless its parent took it along
    BusyNoticeWindow(const BusyNoticeWindow&) = delete;
    BusyNoticeWindow& operator=(const BusyNoticeWindow&) = delete;

    // The notice, in Traditional Chinese for zh_TW / zh_HK locales, English
    // otherwise; the locale is read at each showing.
    void show();

    GtkWindow* window() const;

private:
    static void onOk(GtkButton* button, gpointer self);
    static gboolean onDelete(GtkWidget* window, GdkEvent* event, gpointer self);

    GtkWidget* window_ = nullptr;  // nulled by GTK when its parent destroys it
    GtkWidget* text_ = nullptr;
};

}  // namespace pivora
