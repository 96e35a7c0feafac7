# The Linux program's tray icon: a StatusNotifierItem through
# libayatana-appindicator carrying the tray menu, built as GTK menus, and the
# check for a panel that shows such icons. Its tests run on a display and a
# session bus of their own, with python-dbusmock playing the panel's watcher.
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(APPINDICATOR REQUIRED IMPORTED_TARGET ayatana-appindicator3-0.1)

add_library(pivora_tray STATIC
  src/app/gtk/gtk_menu.cpp
  src/app/gtk/tray_host.cpp
  src/app/gtk/tray_icon.cpp
)
target_link_libraries(pivora_tray PUBLIC pivora_core PkgConfig::GTK3 PkgConfig::GIO PkgConfig::APPINDICATOR)

add_executable(pivora_tray_tests
  tests/gtk/gtk_menu_test.cpp
  tests/gtk/tray_host_test.cpp
  tests/gtk/tray_icon_test.cpp
  tests/gtk/panel_stand_in.cpp
  tests/gtk/tray_test_main.cpp
)
target_include_directories(pivora_tray_tests PRIVATE tests/linux tests/gtk)
target_link_libraries(pivora_tray_tests PRIVATE pivora_tray pivora_linux_standins GTest::gtest)
target_compile_definitions(pivora_tray_tests PRIVATE PIVORA_TRAY_TEST_DIR="${PROJECT_SOURCE_DIR}/tests/gtk")
add_test(NAME LinuxTray
         COMMAND ${PIVORA_PRIVATE_DESKTOP} $<TARGET_FILE:pivora_tray_tests>)
set_tests_properties(LinuxTray PROPERTIES TIMEOUT 180)
