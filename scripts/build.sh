#!/usr/bin/env bash
# Configures and builds everything into build/ (Release with debug info, the
# window, tests and benchmarks), two jobs. Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# The options are given every time: scripts/demo.sh may have configured
# build/ with only the command-line program.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORBRANT_GUI=ON -DVORBRANT_TESTS=ON -DVORBRANT_BENCH=ON "$@" >/dev/null
cmake --build build -j2
