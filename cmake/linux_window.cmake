# The Linux program's window: the panel and the busy notice in GTK 3, with
# the art of src/ui/art built in as a GResource. Tested under Xvfb, on a
# session bus of its own, by pivora_window_tests.
pkg_check_modules(GTK REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_get_variable(GLIB_COMPILE_RESOURCES gio-2.0 glib_compile_resources)

# The resource lists every bitmap the Windows program carries, at each scale.
file(GLOB PIVORA_ART_BITMAPS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/ui/art/*.bmp)
set(PIVORA_ART_FILES "")
foreach(bitmap IN LISTS PIVORA_ART_BITMAPS)
  get_filename_component(name ${bitmap} NAME)
  string(APPEND PIVORA_ART_FILES "    <file>${name}</file>\n")
endforeach()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/generated/pivora_art.gresource.xml
     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gresources>\n  <gresource prefix=\"/org/pivora/art\">\n${PIVORA_ART_FILES}  </gresource>\n</gresources>\n")
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/pivora_art.cpp
  COMMAND ${GLIB_COMPILE_RESOURCES} --sourcedir=${PROJECT_SOURCE_DIR}/src/ui/art --generate-source
          --c-name=pivora_art --manual-register --target=${CMAKE_CURRENT_BINARY_DIR}/generated/pivora_art.cpp
          ${CMAKE_CURRENT_BINARY_DIR}/generated/pivora_art.gresource.xml
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/generated/pivora_art.gresource.xml ${PIVORA_ART_BITMAPS}
  COMMENT "Building the art into a GResource")

add_library(pivora_gtk_window STATIC
  src/app/gtk/panel_art.cpp
  src/app/gtk/panel_window.cpp
  src/app/gtk/busy_notice_window.cpp
  ${CMAKE_CURRENT_BINARY_DIR}/generated/pivora_art.cpp
)
target_link_libraries(pivora_gtk_window PUBLIC pivora_core PkgConfig::GTK)

add_executable(pivora_window_tests
  tests/gtk/gtk_fixture.cpp
  tests/gtk/window_test_main.cpp
  tests/gtk/panel_window_test.cpp
  tests/gtk/busy_notice_window_test.cpp
)
target_link_libraries(pivora_window_tests PRIVATE pivora_gtk_window GTest::gtest)
target_compile_definitions(pivora_window_tests PRIVATE PIVORA_SCREENSHOTS="${CMAKE_CURRENT_BINARY_DIR}/screenshots/linux")
# GTK wants a display and a session bus: both private to the run.
add_test(NAME WindowTests
         COMMAND ${PIVORA_PRIVATE_DESKTOP} $<TARGET_FILE:pivora_window_tests>)
set_tests_properties(WindowTests PROPERTIES
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tools/lsan-suppressions.txt;NO_AT_BRIDGE=1"
  TIMEOUT 120)
# Again at a scale factor of 2: the 200 % art, drawn pixel for pixel.
add_test(NAME WindowTestsAtScale2
         COMMAND ${PIVORA_PRIVATE_DESKTOP} $<TARGET_FILE:pivora_window_tests>
                 --gtest_filter=States/PanelRendering.*)
set_tests_properties(WindowTestsAtScale2 PROPERTIES
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tools/lsan-suppressions.txt;NO_AT_BRIDGE=1;GDK_SCALE=2"
  TIMEOUT 120)
