#pragma once

#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <map>

#include "app/gtk/panel_art.h"
#include "control/control_command.h"
#include "control/panel_state.h"
#include "ui/panel_look.h"

namespace pivora {

// The main window on the Linux desktop: the panel of the Windows program,
// laid out in the same proportions, with the same art. A view: it draws the
// PanelState it is given and turns clicks into Commands; it never reads the
// control or waits for it. Lives on GTK's thread.
class PanelWindow {
public:
    struct Actions {
        std::function<void(const Command&)> post;  // a click on an arrow: Claim or Release of that control port
        std::function<void(GtkWidget* anchor)> showMenu;  // the window's menu button was pressed
    };

    // `application` may be null: a program that is its own single instance
    // needs no GtkApplication.
    PanelWindow(GtkApplication* application, Actions actions);
    ~PanelWindow();  // destroys its widgets
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;

    void render(const PanelState& panel);  // touches only what changed since the last render
    void present();  // shows and raises it
    void hide();     // what OK and the close box do: the program goes on in the tray
    void showMenuButton(bool shown);  // shown on desktops with no tray host
    GtkWindow* window() const;
    // A control by its id (ui/resource_ids.h), or null; and what the
    // controls were last given to show.
    GtkWidget* control(int id) const;
    const PanelLook& look() const { return last_; }

private:
    // What a click on an arrow button hands its handler.
    struct ArrowClick {
        PanelWindow* window;
        int id;
    };

    void build();
    GtkWidget* makeControl(int id);
    void showArrow(int id, const ArrowLook& arrow);
    void setText(int id, const std::string& text);
    void redrawArt();

    static void onArrowClicked(GtkButton* button, gpointer click);
    static void onOkClicked(GtkButton* button, gpointer self);
    static void onMenuClicked(GtkButton* button, gpointer self);
    static gboolean onDelete(GtkWidget* window, GdkEvent* event, gpointer self);
    static void onScaleChanged(GObject* window, GParamSpec* property, gpointer self);

    Actions actions_;
    GtkWidget* window_ = nullptr;
    GObjectHandle<GtkCssProvider> style_;
    std::map<int, GtkWidget*> controls_;      // by control id
    std::map<int, GtkWidget*> arrowImages_;   // the image in each arrow button
    std::array<ArrowClick, 8> clicks_{};
    PanelArt art_;
    bool drawn_ = false;
    PanelLook last_;
};

}  // namespace pivora
