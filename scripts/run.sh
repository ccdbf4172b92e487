#!/usr/bin/env bash
# Builds the program and runs it. Without a display it starts headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/vorbrant --headless "$@"
fi
exec build/vorbrant "$@"
