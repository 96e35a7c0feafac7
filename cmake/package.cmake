# What `cmake --build <dir> --target package` makes, through CPack. On
# Windows: pivora-<version>-win64.zip, the stripped pivora.exe and a README
# for users, and pivora-<version>-win64-debug.zip, its symbols
# (pivora.exe.debug, which the exe's debug link names), one zip per component.
set(CPACK_PACKAGE_NAME pivora)
set(CPACK_PACKAGE_VENDOR "The Pivora developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tray utility for a two-host USB sharing switch")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

if(WIN32)
  # Windows users read it in Notepad, which wants CRLF on older versions.
  configure_file(packaging/windows/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS pivora RUNTIME DESTINATION . COMPONENT program)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION . COMPONENT program)
  install(FILES $<TARGET_FILE:pivora>.debug DESTINATION . COMPONENT symbols)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  # Both zips unpack into one folder, pivora-<version>-win64, the symbols beside the exe.
  set(CPACK_PACKAGE_FILE_NAME pivora-${PROJECT_VERSION}-win64)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENTS_ALL program symbols)
  set(CPACK_ARCHIVE_PROGRAM_FILE_NAME pivora-${PROJECT_VERSION}-win64)
  set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME pivora-${PROJECT_VERSION}-win64-debug)
endif()

include(CPack)
