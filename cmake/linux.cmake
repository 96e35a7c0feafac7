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

# The controller's report channel over hidraw: the nodes listed from sysfs,
# report I/O on the node, tested over SOCK_SEQPACKET pairs with the simulated
# controller firmware at the far end and sysfs trees rendered into a
# temporary directory.
target_sources(pivora_linux PRIVATE
  src/platform/linux/hidraw_nodes.cpp
  src/platform/linux/hidraw_report_channel.cpp
)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/hidraw_listing_test.cpp
  tests/linux/hidraw_report_channel_test.cpp
)
