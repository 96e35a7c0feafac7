#!/usr/bin/env bash
# Every test: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows build and its test programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIVORA_SANITIZE=ON
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

tools/run-wine-tests.sh
