#!/usr/bin/env bash
# Builds the program and runs the main job on the simulator, headless:
# erase, program and verify the example firmware on a simulated C8051F340
# (C2) and a simulated C8051F020 (JTAG), then read each chip back through the
# programmer and compare the read-back with the firmware.
#
# Only vorbrant-cli is built: a fresh build/ is configured without the window,
# tests, benchmarks and fuzzers; an existing build/ is reused as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh demo
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORBRANT_GUI=OFF -DVORBRANT_TESTS=OFF -DVORBRANT_BENCH=OFF -DVORBRANT_FUZZ=OFF >/dev/null
fi
cmake --build build --target vorbrant-cli -j2
bin=build/vorbrant-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
firmware=examples/blink.hex
"$bin" --convert "$firmware" "$work/firmware.bin"

for part in F340 F020; do
  sim="--sim=$part,flash=$work/$part.flash"
  echo
  echo "=== $part: erase, program and verify $firmware ==="
  "$bin" --ini="$work/vorbrant.INI" "$sim" -e -p -v -f"$firmware" -sLPT1
  echo "=== $part: read the chip back ==="
  "$bin" --ini="$work/vorbrant.INI" "$sim" -f"$firmware" -sLPT1 --read="$work/$part-readback.hex"
  "$bin" --convert "$work/$part-readback.hex" "$work/$part-readback.bin"
  if cmp -s "$work/firmware.bin" "$work/$part-readback.bin"; then
    echo "=== $part: the chip holds $firmware ($(stat -c %s "$work/firmware.bin") bytes match) ==="
  else
    echo "=== $part: read-back differs from $firmware ===" >&2
    exit 1
  fi
done
