// The tray's tests share one display and one session bus: the indicator
// library connects to the session bus once per process, so that bus is a
// private one, made here before anything asks for it.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>

#include "tray_session.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    pivora::sim::PrivateBus& session = pivora::test::traySession();
    if (!session.running()) {
        std::fprintf(stderr, "no private D-Bus daemon\n");
        return 1;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", session.address().c_str(), 1);
    // No accessibility bus is wanted on the test's private session.
    setenv("NO_AT_BRIDGE", "1", 1);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
