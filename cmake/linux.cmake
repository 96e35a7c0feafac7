# The Linux computer's side of Pivora: its backends behind the seams the
# control runs over (hidraw, sysfs and udev, udisks2, CUPS, logind), and
# their tests against real stand-ins. Included from the native build only.
find_package(PkgConfig REQUIRED)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0 gio-unix-2.0)
pkg_check_modules(UDEV REQUIRED IMPORTED_TARGET libudev)

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
  tests/linux/sysfs_attribute_test.cpp
  tests/linux/sysfs_switch_usb_test.cpp
  tests/linux/sysfs_safe_removal_test.cpp
  tests/linux/udev_hwdb_names_test.cpp
)

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
  tests/linux/cups_printer_uri_test.cpp
  tests/linux/cups_printer_state_test.cpp
  tests/linux/cups_local_printers_test.cpp
)

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

# udisks2's eject and logind's sleep and shutdown announcements, over GDBus;
# tested against python-dbusmock on a private bus (Debian's python3 runs it).
target_sources(pivora_linux PRIVATE
  src/platform/linux/udisks2_objects.cpp
  src/platform/linux/udisks2_ejector.cpp
  src/platform/linux/logind_sleep_watch.cpp
)
target_link_libraries(pivora_linux PUBLIC PkgConfig::GIO)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/udisks2_ejector_test.cpp
  tests/linux/logind_sleep_watch_test.cpp
)
target_compile_definitions(pivora_linux_tests PRIVATE PIVORA_LINUX_TEST_DIR="${PROJECT_SOURCE_DIR}/tests/linux")

# A Linux computer's surroundings stood in for, for the tests and for
# switchsim's Linux hosts alike: a sysfs rendered into a directory, a private
# bus with python-dbusmock services on it, a private cupsd.
add_library(pivora_linux_standins STATIC
  src/sim/linux/dbus_mock.cpp
  src/sim/linux/private_bus.cpp
  src/sim/linux/private_cupsd.cpp
  src/sim/linux/sysfs_tree.cpp
)
target_link_libraries(pivora_linux_standins PUBLIC pivora_core PkgConfig::GIO Cups::Cups)
target_compile_definitions(pivora_linux_standins PRIVATE PIVORA_SIM_LINUX_DIR="${PROJECT_SOURCE_DIR}/src/sim/linux")
target_link_libraries(pivora_linux_tests PRIVATE pivora_linux_standins)

# switchsim's Linux computer: the model rendered for the Linux program's own
# backends, in a umockdev testbed (which needs the library's own types).
pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
find_program(UMOCKDEV_WRAPPER umockdev-wrapper REQUIRED)
target_sources(pivora_switchsim PRIVATE tools/switchsim/linux_computer.cpp)
target_link_libraries(pivora_switchsim PUBLIC pivora_linux_standins PkgConfig::UMOCKDEV)

# The Linux program's own parts: its command line, the requests it takes on
# the session bus, the device changes udev announces.
add_library(pivora_linux_app STATIC
  src/app/linux/linux_command_line.cpp
  src/app/linux/request_service.cpp
  src/app/linux/request_client.cpp
  src/app/linux/linux_program.cpp
  src/app/linux/program_start.cpp
  src/platform/linux/udev_watch.cpp
)
target_link_libraries(pivora_linux_app PUBLIC pivora_linux PkgConfig::GIO PkgConfig::UDEV)
target_sources(pivora_linux_tests PRIVATE
  tests/linux/request_bus_test.cpp
  tests/linux/linux_command_line_test.cpp
  tests/linux/linux_program_test.cpp
  tests/linux/linux_computer_test.cpp
  tests/linux/linux_host_test.cpp
)
target_link_libraries(pivora_linux_tests PRIVATE pivora_linux_app)
# A refused controller node is proven only without root: as `nobody` when
# the tests run as root.
add_test(NAME LinuxTestsAsAUser
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/linux/as_a_user.sh $<TARGET_FILE:pivora_linux_tests>
                 "HidrawListing.PermissionDenied*:LinuxHost.*")

# The Linux program, and what installing it puts beside it: the udev rule
# that lets the user at the seat open the controller, and the systemd user
# unit that runs `pivora run`.
target_sources(pivora_linux_app PRIVATE src/app/linux/linux_host.cpp)
add_executable(pivora src/app/linux/pivora_linux_main.cpp)
target_link_libraries(pivora PRIVATE pivora_linux_app pivora_posix)
include(GNUInstallDirs)
install(TARGETS pivora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/linux/70-pivora.rules DESTINATION lib/udev/rules.d)
# The unit names the program where this install puts it, known only when it
# runs: a package installs under /usr whatever prefix the build was given.
install(CODE "
  set(PIVORA_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pivora\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/linux/pivora.service.in\"
                 \"${CMAKE_CURRENT_BINARY_DIR}/installed/pivora.service\" @ONLY)")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/installed/pivora.service DESTINATION lib/systemd/user)
# The program itself with its command line, on a session bus of its own.
add_test(NAME LinuxProgramCommandLine
         COMMAND dbus-run-session -- ${CMAKE_CURRENT_SOURCE_DIR}/tests/linux/pivora_command_line.sh $<TARGET_FILE:pivora>)

# udev's device announcements, proven under umockdev: its preload library
# stands in for /sys and udev's netlink socket, so these tests have a program
# of their own and run only as `umockdev-wrapper <program>`.
add_executable(pivora_udev_tests tests/linux/udev_watch_test.cpp)
target_include_directories(pivora_udev_tests PRIVATE tests/linux)
target_link_libraries(pivora_udev_tests PRIVATE pivora_linux pivora_linux_app PkgConfig::UMOCKDEV GTest::gtest_main)
add_test(NAME UdevWatch COMMAND ${UMOCKDEV_WRAPPER} $<TARGET_FILE:pivora_udev_tests>)
if(PIVORA_SANITIZE)
  # The preload library is loaded before the ASan runtime, which ASan refuses
  # unless told; appended, so options given to ctest still hold.
  set_tests_properties(UdevWatch PROPERTIES ENVIRONMENT_MODIFICATION
                       "ASAN_OPTIONS=path_list_append:verify_asan_link_order=0")
endif()

# The tests of what shows on a desktop run on an X server and a session bus
# of their own. The server never resets between clients (a test that opens
# its own connections one after another would meet it resetting), and one
# such test runs at a time, since xvfb-run's choice of a free display is no
# lock.
set(PIVORA_PRIVATE_DESKTOP xvfb-run -a -s "-screen 0 1280x800x24 -noreset" dbus-run-session --)
include(cmake/linux_window.cmake)
include(cmake/linux_desktop_services.cmake)
include(cmake/linux_tray.cmake)
include(cmake/linux_package.cmake)
include(cmake/linux_desktop.cmake)
set_tests_properties(WindowTests WindowTestsAtScale2 LockKeyWatchUnderXvfb LinuxTray DesktopTests
                     PROPERTIES RESOURCE_LOCK private_desktop)
