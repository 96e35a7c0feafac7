#include "app/gtk/panel_window.h"

#include <utility>

#include "app/gtk/panel_layout.h"
#include "ui/panel_view.h"
#include "ui/port_rows.h"
#include "ui/texts.h"

namespace pivora {

namespace {
// The template's font is smaller than a desktop's usual one, and its bitmap
// buttons have no padding around their image.
constexpr const char* kStyle =
    ".pivora-panel { font-size: 9pt; }"
    ".pivora-panel button.pivora-arrow { padding: 0; min-width: 0; min-height: 0; }"
    ".pivora-panel button.pivora-menu { padding: 0; min-width: 0; min-height: 0; }";

// Half the template font's height, in dialog units.
constexpr int kCaptionHalfHeight = 4;

bool isArrow(int id) {
    bool claims = false;
    int port = 0;
    return PanelView::arrowOf(id, claims, port);
}

bool isNameBox(int id) { return id >= IDC_NAME_ROW1 && id <= IDC_NAME_ROW5; }

bool isFrame(int id) {
    return id == IDC_FRAME_ROW1 || id == IDC_FRAME_ROW2 || id == IDC_FRAME_ROW3 || id == IDC_FRAME_ROW4 ||
           id == IDC_FRAME_ROW5;
}

bool isPicture(int id) {
    return id == IDC_BANNER_PICTURE || id == IDC_THIS_COMPUTER_PICTURE || id == IDC_OTHER_COMPUTER_PICTURE;
}

const char* captionOf(int id) {
    switch (id) {
        case kSoftwareCaption:
            return "SW:";
        case kFirmwareCaption:
            return "FW:";
        case kHostCaption:
            return "Host:";
        default:
            return "Type:";
    }
}

GtkWidget* leftAlignedLabel(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(asLabel(label), 0.0F);
    gtk_label_set_yalign(asLabel(label), 0.0F);
    return label;
}
}  // namespace

PanelWindow::PanelWindow(GtkApplication* application, Actions actions)
    : actions_(std::move(actions)),
      window_(application != nullptr ? gtk_application_window_new(application) : gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    build();
    // Drawn empty until the first panel comes: no rows, as with no switch.
    render(PanelState{});
}

PanelWindow::~PanelWindow() {
    gtk_style_context_remove_provider_for_screen(gtk_widget_get_screen(window_),
                                                 reinterpret_cast<GtkStyleProvider*>(style_.get()));
    gtk_widget_destroy(window_);
}

void PanelWindow::build() {
    gtk_window_set_title(asWindow(window_), text::kMainWindowTitle);
    gtk_window_set_resizable(asWindow(window_), FALSE);
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), "pivora-panel");
    style_.reset(gtk_css_provider_new());
    gtk_css_provider_load_from_data(style_.get(), kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window_),
                                              reinterpret_cast<GtkStyleProvider*>(style_.get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    connectSignal(window_, "delete-event", &onDelete, this);
    connectSignal(window_, "notify::scale-factor", &onScaleChanged, this);

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, pixelsAcross(kPanelWidth), pixelsDown(kPanelHeight));
    gtk_container_add(asContainer(window_), fixed);
    gtk_widget_show(fixed);
    for (const DialogRect& rect : kPanelControls) {
        GtkWidget* control = makeControl(rect.id);
        // Pictures take their art's size, as the template's bitmap controls do.
        // A group box with no caption draws its top line where a caption's
        // middle would be; GTK's frame draws it at its top.
        const int captionHalf = isFrame(rect.id) ? kCaptionHalfHeight : 0;
        if (!isPicture(rect.id))
            gtk_widget_set_size_request(control, pixelsAcross(rect.width), pixelsDown(rect.height - captionHalf));
        gtk_fixed_put(asFixed(fixed), control, pixelsAcross(rect.x), pixelsDown(rect.y + captionHalf));
        if (rect.id != kMenuButton) gtk_widget_show(control);
        controls_[rect.id] = control;
    }
    redrawArt();
}

GtkWidget* PanelWindow::makeControl(int id) {
    if (isArrow(id)) {
        GtkWidget* button = gtk_button_new();
        GtkWidget* image = gtk_image_new();
        gtk_container_add(asContainer(button), image);
        gtk_widget_show(image);
        gtk_style_context_add_class(gtk_widget_get_style_context(button), "pivora-arrow");
        gtk_widget_set_focus_on_click(button, FALSE);
        arrowImages_[id] = image;
        ArrowClick& click = clicks_.at(arrowImages_.size() - 1);
        click = ArrowClick{this, id};
        connectSignal(button, "clicked", &onArrowClicked, &click);
        return button;
    }
    if (isNameBox(id)) {
        GtkWidget* name = gtk_label_new("");
        gtk_label_set_ellipsize(asLabel(name), PANGO_ELLIPSIZE_END);
        gtk_label_set_single_line_mode(asLabel(name), TRUE);
        return name;
    }
    if (isFrame(id)) return gtk_frame_new(nullptr);
    if (isPicture(id)) return gtk_image_new();
    switch (id) {
        case kStatusGroup:
            return gtk_frame_new("Status");
        case kSoftwareCaption:
        case kFirmwareCaption:
        case kHostCaption:
        case kTypeCaption:
            return leftAlignedLabel(captionOf(id));
        case IDC_SOFTWARE_VERSION:
            return leftAlignedLabel(text::kSoftwareVersion);
        case IDC_OK: {
            GtkWidget* ok = gtk_button_new_with_label("OK");
            connectSignal(ok, "clicked", &onOkClicked, this);
            gtk_widget_set_can_default(ok, TRUE);
            gtk_window_set_default(asWindow(window_), ok);
            return ok;
        }
        case kMenuButton: {
            GtkWidget* menu = gtk_button_new_with_label("\u2630");
            gtk_style_context_add_class(gtk_widget_get_style_context(menu), "pivora-menu");
            atk_object_set_name(gtk_widget_get_accessible(menu), "Menu");
            connectSignal(menu, "clicked", &onMenuClicked, this);
            return menu;
        }
        default:  // the firmware, host and type boxes
            return leftAlignedLabel("");
    }
}

void PanelWindow::render(const PanelState& panel) {
    PanelLook look = panelLookOf(panel);
    const bool all = !drawn_;
    forEachChanged(look.texts, last_.texts, all, [this](int id, const std::string& text) { setText(id, text); });
    forEachChanged(look.images, last_.images, all, [this](int id, const ArrowLook& arrow) { showArrow(id, arrow); });
    forEachChanged(look.shown, last_.shown, all,
                   [this](int id, bool shown) { gtk_widget_set_visible(controls_.at(id), shown ? TRUE : FALSE); });
    look.keepHiddenFrom(last_);
    last_ = std::move(look);
    drawn_ = true;
}

void PanelWindow::setText(int id, const std::string& text) {
    GtkWidget* control = controls_.at(id);
    // A button shows art, not text: its text is the name a screen reader says.
    if (isArrow(id))
        atk_object_set_name(gtk_widget_get_accessible(control), text.c_str());
    else
        gtk_label_set_text(asLabel(control), text.c_str());
}

void PanelWindow::showArrow(int id, const ArrowLook& arrow) {
    art_.show(arrowImages_.at(id), PanelArt::arrowArt(arrow.image, arrow.port));
}

void PanelWindow::redrawArt() {
    art_.show(controls_.at(IDC_BANNER_PICTURE), "banner");
    art_.show(controls_.at(IDC_THIS_COMPUTER_PICTURE), "computer");
    art_.show(controls_.at(IDC_OTHER_COMPUTER_PICTURE), "computer");
    for (const auto& [id, arrow] : last_.images) showArrow(id, arrow);
}

void PanelWindow::present() { gtk_window_present(asWindow(window_)); }

void PanelWindow::hide() { gtk_widget_hide(window_); }

void PanelWindow::showMenuButton(bool shown) { gtk_widget_set_visible(controls_.at(kMenuButton), shown ? TRUE : FALSE); }

GtkWindow* PanelWindow::window() const { return asWindow(window_); }

GtkWidget* PanelWindow::control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void PanelWindow::onArrowClicked(GtkButton* /*button*/, gpointer click) {
    const ArrowClick& arrow = *static_cast<ArrowClick*>(click);
    bool claims = false;
    int port = 0;
    PanelView::arrowOf(arrow.id, claims, port);
    if (arrow.window->actions_.post) arrow.window->actions_.post(Command{claims ? Command::Claim : Command::Release, port});
}

void PanelWindow::onOkClicked(GtkButton* /*button*/, gpointer self) { static_cast<PanelWindow*>(self)->hide(); }

void PanelWindow::onMenuClicked(GtkButton* button, gpointer self) {
    const Actions& actions = static_cast<PanelWindow*>(self)->actions_;
    if (actions.showMenu) actions.showMenu(reinterpret_cast<GtkWidget*>(button));
}

gboolean PanelWindow::onDelete(GtkWidget* /*window*/, GdkEvent* /*event*/, gpointer self) {
    static_cast<PanelWindow*>(self)->hide();
    return TRUE;
}

void PanelWindow::onScaleChanged(GObject* /*window*/, GParamSpec* /*property*/, gpointer self) {
    static_cast<PanelWindow*>(self)->redrawArt();
}

}  // namespace pivora
