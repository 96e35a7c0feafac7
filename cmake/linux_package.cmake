# The Linux program as a Debian package: `cpack -G DEB` (or the `package`
# target) in a native build makes pivora_<version>_amd64.deb with the
# program, its udev rule and systemd user unit (cmake/linux.cmake), and here
# its desktop entry, its icons at each size, its manual page, and the
# documents Debian asks of every package.
install(FILES packaging/linux/pivora.desktop DESTINATION share/applications)
foreach(size 16 24 32 48 64 128)
  install(FILES src/ui/art/pivora_${size}px.png DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME pivora.png)
endforeach()

# Debian's changelog and the manual page, compressed as Debian wants them:
# the most, and without a time stamp, so the same sources make the same package.
function(pivora_gzip source compressed)
  execute_process(COMMAND gzip -9 -n -c ${source} OUTPUT_FILE ${compressed} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${source}: ${status}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()
configure_file(packaging/linux/changelog.Debian.in debian-doc/changelog.Debian @ONLY)
pivora_gzip(${CMAKE_CURRENT_BINARY_DIR}/debian-doc/changelog.Debian ${CMAKE_CURRENT_BINARY_DIR}/debian-doc/changelog.Debian.gz)
pivora_gzip(${PROJECT_SOURCE_DIR}/packaging/linux/pivora.1 ${CMAKE_CURRENT_BINARY_DIR}/debian-doc/pivora.1.gz)
install(FILES packaging/linux/copyright ${CMAKE_CURRENT_BINARY_DIR}/debian-doc/changelog.Debian.gz
        DESTINATION share/doc/pivora)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian-doc/pivora.1.gz DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Pivora developers <dev@pivora.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY (cmake/package.cmake).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pivora runs a USB sharing switch shared by two computers: one hub that both
computers share, and a small controller that decides which computer each of
its ports belongs to. It shows which ports are here, moves them from a window,
the tray's menu or the command line, unmounts and powers off a stick through
udisks2 before its port leaves, and keeps a printer with jobs queued in CUPS
from being given away.")
# Depends: from the shared libraries the program links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)

# Builds the package from this build's program, lists it against the paths
# it must hold, and has lintian check it. A sanitizer build's program is not
# what users get, so only the others package it.
if(NOT PIVORA_SANITIZE AND NOT PIVORA_SANITIZE_THREAD)
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE debian_arch OUTPUT_STRIP_TRAILING_WHITESPACE)
  add_test(NAME LinuxPackage
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check_deb.sh ${CMAKE_BINARY_DIR}
                   pivora_${PROJECT_VERSION}_${debian_arch}.deb)
  set_tests_properties(LinuxPackage PROPERTIES TIMEOUT 900)
endif()
