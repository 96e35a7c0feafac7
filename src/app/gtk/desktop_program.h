#pragma once

#include <gio/gio.h>

#include <functional>
#include <memory>

#include "app/linux/linux_host.h"
#include "app/start_options.h"

namespace pivora {

class DesktopShell;

// Something that looks on at the desktop while it runs (the simulated
// build's probe, for its test driver): made once the desktop is up, on
// GTK's thread, and gone before the desktop goes.
class DesktopWatcher {
public:
    virtual ~DesktopWatcher() = default;
};
using WatchDesktop = std::function<std::unique_ptr<DesktopWatcher>(DesktopShell& shell, GDBusConnection* session)>;

// `pivora` with no request: the control with its window and tray icon on
// the desktop, on the computer `roots` describe. A second start brings up the
// running one's window. The exit status of the program.
int runDesktop(const StartOptions& options, const LinuxRoots& roots, const WatchDesktop& watch = {});

}  // namespace pivora
