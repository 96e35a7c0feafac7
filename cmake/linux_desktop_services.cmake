# The Linux desktop's services: the tray menu's choices in a key file, start
# at login through XDG autostart, freedesktop notifications, which display
# server the desktop runs on, and the double tap of lock keys on X11.
target_sources(pivora_posix PRIVATE src/platform/posix/make_folders.cpp)
target_link_libraries(pivora_linux PUBLIC pivora_posix)
target_sources(pivora_linux PRIVATE
  src/platform/linux/small_file.cpp
  src/platform/linux/glib_key_file.cpp
  src/platform/linux/desktop_settings.cpp
  src/platform/linux/xdg_autostart.cpp
  src/platform/linux/desktop_notifier.cpp
  src/platform/linux/display_server.cpp
)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/desktop_settings_test.cpp
  tests/linux/xdg_autostart_test.cpp
  tests/linux/desktop_notifier_test.cpp
  tests/linux/display_server_test.cpp
  tests/linux/state_folder_log_test.cpp
)

# The double tap on X11, through XInput 2's raw key events; tested under
# Xvfb with keys typed by xdotool.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11 xi)
add_library(pivora_x11 STATIC src/platform/linux/x11/lock_key_watch.cpp)
target_link_libraries(pivora_x11 PUBLIC pivora_core PkgConfig::GIO PRIVATE PkgConfig::X11)
add_executable(pivora_x11_tests tests/linux/x11/lock_key_watch_test.cpp)
target_link_libraries(pivora_x11_tests PRIVATE pivora_x11 GTest::gtest_main)
add_test(NAME LockKeyWatchUnderXvfb
         COMMAND ${PIVORA_PRIVATE_DESKTOP} $<TARGET_FILE:pivora_x11_tests>)
set_tests_properties(LockKeyWatchUnderXvfb PROPERTIES TIMEOUT 120)
