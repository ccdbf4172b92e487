#!/usr/bin/env bash
# Builds the Debian package vorbrant_VERSION_ARCH.deb (cpack, Depends found by
# dpkg-shlibdeps) and checks it with lintian, which must report no errors.
# Usage: package.sh [BUILD_DIR [OUT_DIR]]
#   BUILD_DIR  default build-pkg (configured without tests and benchmarks when
#              new; an existing build folder is used as it is)
#   OUT_DIR    where the package goes (default BUILD_DIR/package)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${1:-build-pkg}
out=${2:-$build/package}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORBRANT_TESTS=OFF -DVORBRANT_BENCH=OFF -DVORBRANT_FUZZ=OFF >/dev/null
fi
cmake --build "$build" -j2
out=$(mkdir -p "$out" && cd "$out" && pwd)
rm -f "$out"/vorbrant_*.deb
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
deb=$(ls "$out"/vorbrant_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends
# Errors fail the script; warnings are shown.
lintian --fail-on error "$deb"
echo "package: $deb"
