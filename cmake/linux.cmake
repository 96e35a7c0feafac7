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

# The switch's USB side: the tree from sysfs, names from the devices' strings
# or udev's hardware database, disks to the ejector, busy nodes through /proc.
find_package(PkgConfig REQUIRED)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)
target_sources(pivora_linux PRIVATE
  src/platform/linux/sysfs_attribute.cpp
  src/platform/linux/usb_device_name.cpp
  src/platform/linux/sysfs_usb_devices.cpp
  src/platform/linux/usb_description.cpp
  src/platform/linux/udev_hwdb_names.cpp
  src/platform/linux/usb_device_contents.cpp
  src/platform/linux/device_holders.cpp
  src/platform/linux/sysfs_switch_usb.cpp
  src/platform/linux/sysfs_safe_removal.cpp
  src/platform/linux/sysfs_present_usb_devices.cpp
)
target_link_libraries(pivora_linux PRIVATE PkgConfig::UDEV)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/sysfs_tree.cpp
  tests/linux/sysfs_attribute_test.cpp
  tests/linux/sysfs_switch_usb_test.cpp
  tests/linux/sysfs_safe_removal_test.cpp
  tests/linux/udev_hwdb_names_test.cpp
)
