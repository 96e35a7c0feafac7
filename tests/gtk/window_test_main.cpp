// The window's tests share one GtkApplication, registered on the session
// bus as the program's would be.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "app/gtk/gtk_handles.h"
#include "gtk_fixture.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    gtk_init(&argc, &argv);
    const pivora::GObjectHandle<GtkApplication> application{
        gtk_application_new("org.pivora.WindowTests", G_APPLICATION_NON_UNIQUE)};
    GError* failure = nullptr;
    if (g_application_register(reinterpret_cast<GApplication*>(application.get()), nullptr, &failure) == FALSE) {
        const pivora::GErrorHandle error{failure};
        g_printerr("cannot register the application: %s\n", error ? error->message : "?");
        return 1;
    }
    pivora::test::useApplication(application.get());
    const int failed = RUN_ALL_TESTS();
    pivora::test::settle();
    return failed;
}
