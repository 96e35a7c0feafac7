#pragma once

#include "sim/linux/private_bus.h"

namespace pivora::test {

// The process's session bus in the tray's tests.
inline sim::PrivateBus& traySession() {
    static sim::PrivateBus bus;
    return bus;
}

// The StatusNotifierWatcher stand-in's template.
inline const char* watcherTemplate() { return PIVORA_TRAY_TEST_DIR "/status_notifier_watcher.py"; }

}  // namespace pivora::test
