# The Linux computer's side of Pivora: its backends behind the seams the
# control runs over (hidraw, sysfs and udev, udisks2, CUPS, logind), and
# their tests against real stand-ins. Included from the native build only.
add_library(pivora_linux STATIC
  src/platform/linux/monotonic_clock.cpp
)
target_link_libraries(pivora_linux PUBLIC pivora_core)

add_executable(pivora_linux_tests
  tests/linux/monotonic_clock_test.cpp
)
target_include_directories(pivora_linux_tests PRIVATE tests/linux)
target_link_libraries(pivora_linux_tests PRIVATE pivora_linux pivora_test_support GTest::gtest_main)
gtest_discover_tests(pivora_linux_tests DISCOVERY_TIMEOUT 60)

# The Linux program's own parts: its command line, the requests it takes on
# the session bus, the device changes udev announces.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0 gio-unix-2.0)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
add_library(pivora_linux_app STATIC
  src/app/linux/linux_command_line.cpp
  src/app/linux/request_service.cpp
  src/app/linux/request_client.cpp
  src/app/linux/linux_program.cpp
  src/platform/linux/udev_watch.cpp
)
target_link_libraries(pivora_linux_app PUBLIC pivora_linux PkgConfig::GIO PkgConfig::UDEV)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/request_bus_test.cpp
  tests/linux/linux_command_line_test.cpp
  tests/linux/linux_program_test.cpp
)
target_link_libraries(pivora_linux_tests PRIVATE pivora_linux_app)
