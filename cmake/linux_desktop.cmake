# The Linux program with its window: the control, the window, the tray icon,
# the notifications and the double tap tied together. `pivora` with no
# request starts it.
add_library(pivora_desktop STATIC
  src/app/gtk/desktop_shell.cpp
  src/app/gtk/desktop_program.cpp
  src/app/linux/linux_main.cpp
)
target_link_libraries(pivora_desktop PUBLIC pivora_linux_app pivora_gtk_window pivora_tray pivora_x11 pivora_posix)
target_link_libraries(pivora PRIVATE pivora_desktop)

# The simulated build of the same program, for a Linux computer of
# switchsim's: its controller node is a socket, and a probe of its desktop
# answers the two-computer run's agent.
add_executable(pivora_simulated
  src/app/linux/pivora_simulated_main.cpp
  src/sim/linux/switchsim_node.cpp
  src/sim/linux/desktop_probe.cpp
)
target_link_libraries(pivora_simulated PRIVATE pivora_desktop)
add_executable(pivora_linux_agent tests/linux/linux_agent.cpp)
target_link_libraries(pivora_linux_agent PRIVATE pivora_linux PkgConfig::GIO)

# The desktop as a user meets it, over a Linux computer at the simulated
# switch, on a private X server and session bus.
add_executable(pivora_desktop_tests
  tests/gtk/desktop_test.cpp
  tests/gtk/gtk_fixture.cpp
  tests/gtk/panel_stand_in.cpp
  tests/gtk/tray_test_main.cpp
)
target_include_directories(pivora_desktop_tests PRIVATE tests/linux tests/gtk)
target_link_libraries(pivora_desktop_tests PRIVATE pivora_desktop pivora_linux_standins pivora_test_support GTest::gtest)
target_compile_definitions(pivora_desktop_tests PRIVATE
  PIVORA_TRAY_TEST_DIR="${PROJECT_SOURCE_DIR}/tests/gtk"
  PIVORA_LINUX_TEST_DIR="${PROJECT_SOURCE_DIR}/tests/linux"
  PIVORA_SCREENSHOTS="${CMAKE_CURRENT_BINARY_DIR}/screenshots/linux")
add_test(NAME DesktopTests
         COMMAND ${PIVORA_PRIVATE_DESKTOP} $<TARGET_FILE:pivora_desktop_tests>)
set_tests_properties(DesktopTests PROPERTIES
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tools/lsan-suppressions.txt;NO_AT_BRIDGE=1"
  TIMEOUT 300)
