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

# Local printers through CUPS: the queues whose device is a USB printer,
# matched to the present USB devices, their IDs kept in the state folder.
# Debian's libcups2-dev ships no pkg-config file; CMake's own FindCups finds it.
find_package(Cups REQUIRED)
target_sources(pivora_linux PRIVATE
  src/platform/linux/state_folder.cpp
  src/platform/linux/cups_printer_uri.cpp
  src/platform/linux/cups_printer_state.cpp
  src/platform/linux/cups_connection.cpp
  src/platform/linux/cups_queues.cpp
  src/platform/linux/cups_local_printers.cpp
)
target_link_libraries(pivora_linux PUBLIC Cups::Cups)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/private_cupsd.cpp
  tests/linux/cups_printer_uri_test.cpp
  tests/linux/cups_printer_state_test.cpp
  tests/linux/cups_local_printers_test.cpp
)
