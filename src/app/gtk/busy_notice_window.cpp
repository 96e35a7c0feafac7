#include "app/gtk/busy_notice_window.h"

#include <string>

#include "app/gtk/gtk_handles.h"
#include "ui/locale_language.h"
#include "ui/texts.h"

namespace pivora {

namespace {
// The notice's text for the user's language: the first of the languages
// GLib reads from LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
std::string noticeText() {
    const gchar* const* languages = g_get_language_names();
    const BusyNoticeText notice = busyNoticeText(languageIdOfLocale(languages[0]));
    const auto* bytes = reinterpret_cast<const gchar*>(notice.bytes);
    if (notice.codePage == 0) return std::string(bytes, notice.length);
    // The Chinese text is kept in Big5, Windows' code page 950.
    const GCharHandle converted{g_convert(bytes, static_cast<gssize>(notice.length), "UTF-8", "BIG5", nullptr,
                                          nullptr, nullptr)};
    return converted ? std::string(converted.get()) : std::string(text::kBusyNoticeEnglish);
}
}  // namespace

BusyNoticeWindow::BusyNoticeWindow(GtkWindow* parent) : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    g_object_add_weak_pointer(reinterpret_cast<GObject*>(window_), reinterpret_cast<gpointer*>(&window_));
    GtkWindow* notice = asWindow(window_);
    gtk_window_set_title(notice, "MESSAGE");
    gtk_window_set_resizable(notice, FALSE);
    gtk_window_set_transient_for(notice, parent);
    gtk_window_set_destroy_with_parent(notice, TRUE);
    gtk_window_set_type_hint(notice, GDK_WINDOW_TYPE_HINT_DIALOG);
    // Over the panel, where a window manager would put a dialog; placed so
    // by GTK itself where none runs.
    gtk_window_set_position(notice, GTK_WIN_POS_CENTER_ON_PARENT);
    connectSignal(window_, "delete-event", &onDelete, this);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 18);
    gtk_container_set_border_width(asContainer(box), 12);
    text_ = gtk_label_new("");
    gtk_label_set_justify(asLabel(text_), GTK_JUSTIFY_CENTER);
    gtk_label_set_line_wrap(asLabel(text_), TRUE);
    gtk_label_set_max_width_chars(asLabel(text_), 48);
    gtk_box_pack_start(reinterpret_cast<GtkBox*>(box), text_, TRUE, TRUE, 0);
    GtkWidget* ok = gtk_button_new_with_label("OK");
    gtk_widget_set_halign(ok, GTK_ALIGN_CENTER);
    gtk_widget_set_size_request(ok, 64, -1);
    gtk_widget_set_can_default(ok, TRUE);
    connectSignal(ok, "clicked", &onOk, this);
    gtk_box_pack_start(reinterpret_cast<GtkBox*>(box), ok, FALSE, FALSE, 0);
    gtk_container_add(asContainer(window_), box);
    gtk_widget_show_all(box);
    gtk_window_set_default(notice, ok);
}

BusyNoticeWindow::~BusyNoticeWindow() {
    if (window_ == nullptr) return;
    g_object_remove_weak_pointer(reinterpret_cast<GObject*>(window_), reinterpret_cast<gpointer*>(&window_));
    gtk_widget_destroy(window_);
}

void BusyNoticeWindow::show() {
    if (window_ == nullptr) return;
    gtk_label_set_text(asLabel(text_), noticeText().c_str());
    gtk_window_present(asWindow(window_));
}

GtkWindow* BusyNoticeWindow::window() const { return asWindow(window_); }

void BusyNoticeWindow::onOk(GtkButton* /*button*/, gpointer self) {
    gtk_widget_hide(static_cast<BusyNoticeWindow*>(self)->window_);
}

gboolean BusyNoticeWindow::onDelete(GtkWidget* window, GdkEvent* /*event*/, gpointer /*self*/) {
    gtk_widget_hide(window);
    return TRUE;
}

}  // namespace pivora
