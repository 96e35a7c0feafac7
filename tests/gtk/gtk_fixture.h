#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace pivora::test {

// Runs GTK's loop until `done` holds or `ms` have passed; true when it held.
bool runUntil(const std::function<bool()>& done, int ms = 2000);
// Runs GTK's loop until nothing is left to do (bounded as above).
void settle();
// Shows `window`, waits until it is on the screen and drawn.
void showAndDraw(GtkWindow* window);
// Saves what `window` shows on the screen as <build>/screenshots/linux/<name>.png.
void saveScreenshot(GtkWindow* window, const std::string& name);

// Every widget under `widget` (itself included), internal children too.
std::vector<GtkWidget*> widgetsUnder(GtkWidget* widget);
// Those of one type whose own visible flag is set, top to bottom, then left
// to right, as a reader would take them in.
std::vector<GtkWidget*> shownInReadingOrder(GtkWidget* top, GType type);
std::string accessibleName(GtkWidget* widget);
// The widget under `top` whose accessible name is `name`; nullptr if none.
GtkWidget* widgetNamed(GtkWidget* top, const std::string& name);

// The test program's one GtkApplication, registered on the session bus, as
// the program has one.
GtkApplication* application();
void useApplication(GtkApplication* application);

}  // namespace pivora::test
