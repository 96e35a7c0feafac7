#!/usr/bin/env bash
# Every test: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# again in README's Release build, then the Windows build and its test programs
# under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIVORA_SANITIZE=ON
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

# README's build as written: optimisation lets the compiler see (and warn
# about) more than a Debug build does, and warnings are errors.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure -j "$(nproc)"

tools/run-wine-tests.sh
