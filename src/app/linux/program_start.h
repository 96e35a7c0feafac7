#pragma once

#include <gio/gio.h>

#include <cstdio>
#include <string>

#include "app/linux/linux_host.h"
#include "log/diagnostic_log_file.h"
#include "platform/linux/gio_handles.h"

namespace pivora {

// What the Linux programs, with a window and without, start from.

// The session's or the system's bus; null when it cannot be reached.
GObjectHandle<GDBusConnection> busOf(GBusType type);

// The session's bus, which Pivora needs, and the system's, which it can do
// without: null, the user told what that means, when it cannot be reached.
GObjectHandle<GDBusConnection> sessionBus();
GObjectHandle<GDBusConnection> systemBus();

// Lines for the user, whole, from whichever thread says them.
void say(FILE* stream, const std::string& text);

// Where this computer keeps what Pivora reads, and Pivora's state folder
// from the environment.
LinuxRoots linuxRoots();

// The diagnostic log switched on when asked; the user told when it cannot be.
void startLog(DiagnosticLogFile& log, bool on);

}  // namespace pivora
