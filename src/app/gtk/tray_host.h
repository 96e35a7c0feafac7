#pragma once

#include <gio/gio.h>

namespace pivora {

// Whether a StatusNotifierWatcher with a registered host answers on the
// session bus: without one an indicator would be shown by no panel, and the
// program must offer its window instead.
bool trayHostPresent(GDBusConnection* session);

}  // namespace pivora
