#!/usr/bin/env bash
# Every test: the native suite (the soak's short run included) under
# AddressSanitizer and UndefinedBehaviorSanitizer, under ThreadSanitizer,
# again in README's Release build, the static analysers and the fuzz targets, then the Windows build and
# its test programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIVORA_SANITIZE=ON
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

# Again under ThreadSanitizer: the control runs on a thread of its own, and
# the link to switchsim receives on another.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DPIVORA_SANITIZE_THREAD=ON
cmake --build build-tsan -j "$(nproc)"
TSAN_OPTIONS="suppressions=$PWD/tools/tsan-suppressions.txt halt_on_error=1" \
  ctest --test-dir build-tsan --output-on-failure -j "$(nproc)"

# README's build as written: optimisation lets the compiler see (and warn
# about) more than a Debug build does, and warnings are errors.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure -j "$(nproc)"

# What no test written here would think of: the analysers over src/, then
# each fuzz target for 40 s from its seeds (tools/run-fuzz.sh alone runs
# them longer).
tools/run-static-analysis.sh
tools/run-fuzz.sh 40

tools/run-wine-tests.sh
