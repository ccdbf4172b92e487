#!/usr/bin/env bash
# Builds everything the tests need with AddressSanitizer and
# UndefinedBehaviorSanitizer (VORBRANT_SANITIZE=ON) into build-sanitize/ and
# runs the whole test suite there; any finding fails its test. The one
# suppression is tests/lsan.supp. The programs the session tests start
# inherit the same settings. Extra arguments go to ctest.
#   VORBRANT_SANITIZE_BUILD  build folder (default build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VORBRANT_SANITIZE_BUILD:-build-sanitize}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORBRANT_SANITIZE=ON \
  -DVORBRANT_GUI=ON -DVORBRANT_TESTS=ON -DVORBRANT_BENCH=OFF >/dev/null
cmake --build "$build" -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen
# The fuzz smoke run builds its own instrumented programs, and the package
# check has nothing to sanitize.
ctest --test-dir "$build" --output-on-failure -j2 --timeout 900 -LE 'package|fuzz' "$@"
