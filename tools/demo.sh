#!/usr/bin/env bash
# Pivora on two computers sharing one simulated switch: host A runs the
# Windows program (pivora_simulated.exe, under Wine), host B the Linux
# program on a Linux computer of switchsim's; with --windows, both run the
# Windows program, each in a Wine prefix of its own. With an X display
# (DISPLAY set), both windows open on it side by side and switchsim's console
# reads this terminal until "quit" or Ctrl-C. Without one, a short tour runs
# on a virtual display: the start, a claim, a release, a double tap of
# NumLock and a busy device, each step printed with its time and its
# screenshot.
#   tools/demo.sh [--windows]
set -euo pipefail
cd "$(dirname "$0")/.."

pair=(--mixed)
case ${1:-} in
  "") ;;
  --windows) pair=() ;;
  *)
    echo "usage: $0 [--windows]" >&2
    exit 2
    ;;
esac

tools/install-deps.sh

echo "building pivora_simulated.exe, its test driver and probe library"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j "$(nproc)" \
  --target pivora_simulated pivora_program_probe pivora_two_computers_driver >/dev/null
echo "building switchsim and the Linux program"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target switchsim pivora_simulated pivora_linux_agent >/dev/null
tools/prepare-wine-prefix.sh

if [[ -n ${DISPLAY:-} ]]; then
  exec tools/run-two-computers.sh "${pair[@]}" --show
fi
exec tools/run-two-computers.sh "${pair[@]}" --tour
