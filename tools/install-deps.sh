#!/usr/bin/env bash
# Installs what building and testing Pivora needs on Debian, and nothing that
# is there already. `native` asks only for the native toolchain, `fuzz` the native
# toolchain with clang and the analysers, `analysis` those and the mingw-w64
# compiler whose headers the analysis of the Windows code reads.
set -euo pipefail

need=()
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || need+=("$1"); }

for package in cmake g++ make libgtest-dev libbenchmark-dev; do want "$package"; done
# The Linux program's libraries, and the stand-ins its tests run against: a
# private cupsd, a private D-Bus with python-dbusmock, umockdev for udev.
# udev for its hardware database, where the Linux program finds the names of
# devices it has not seen, as on any desktop.
for package in pkg-config libudev-dev libcups2-dev libglib2.0-dev cups-daemon cups-client dbus python3-dbusmock \
  umockdev libumockdev-dev udev; do
  want "$package"
done
# The desktop: the window and the tray icon in GTK 3 (the icon through
# libayatana-appindicator), Xlib and XInput 2 for the double tap; the tests
# run them in a private X server, with keys typed and pointer clicks given by
# xdotool. The Debian package: its dependencies found by dpkg-shlibdeps, and
# lintian's check of it.
for package in libgtk-3-dev libayatana-appindicator3-dev libx11-dev libxi-dev xvfb xauth xdotool dpkg-dev lintian; do
  want "$package"
done
if [ "${1:-all}" = fuzz ] || [ "${1:-all}" = analysis ] || [ "${1:-all}" = all ]; then
  for package in clang libclang-rt-14-dev clang-tidy cppcheck; do want "$package"; done
fi
if [ "${1:-all}" = analysis ]; then
  for package in g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64; do want "$package"; done
fi
if [ "${1:-all}" = all ]; then
  for package in g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool imagemagick; do
    want "$package"
  done
fi

if [ "${#need[@]}" -gt 0 ]; then
  echo "installing: ${need[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${need[@]}"
fi
