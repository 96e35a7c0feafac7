#!/usr/bin/env bash
# Pivora against the simulated switch: the controller channel exchanging
# reports with the switch's firmware model, printed as it goes.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh native

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target pivora-switch-demo >/dev/null
build/pivora-switch-demo
