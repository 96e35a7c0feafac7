#!/usr/bin/env bash
# Pivora on two computers sharing one simulated switch: switchsim between
# hosts A and B, each a Wine prefix of its own running pivora_simulated.exe.
# With an X display (DISPLAY set), both windows open on it side by side and
# switchsim's console reads this terminal until "quit" or Ctrl-C. Without
# one, a short tour runs on a virtual display: the start, a claim, a release,
# a double tap of NumLock and a busy device, each step printed with its time
# and its screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

echo "building pivora_simulated.exe, its test driver and probe library"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j "$(nproc)" \
  --target pivora_simulated pivora_program_probe pivora_two_computers_driver >/dev/null
echo "building switchsim"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target switchsim >/dev/null
tools/prepare-wine-prefix.sh

if [[ -n ${DISPLAY:-} ]]; then
  exec tools/run-two-computers.sh --show
fi
exec tools/run-two-computers.sh --tour
