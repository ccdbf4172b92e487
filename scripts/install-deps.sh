#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root).
# Idempotent: packages already installed are skipped.
#   install-deps.sh        everything: the window, the tests, the package
#   install-deps.sh demo   only what scripts/demo.sh needs (vorbrant-cli)
set -euo pipefail

# libftdi1-dev: the FT232H adapter (optional: without it the program builds
# and says the FT232H adapter is not available).
packages=(build-essential cmake ninja-build pkg-config libftdi1-dev)
if [ "${1:-}" != demo ]; then
  packages+=(
    fonts-dejavu-core
    qt6-base-dev qt6-qpa-plugins
    libgtest-dev libgmock-dev libbenchmark-dev
    srecord sdcc binutils sigrok-cli python3
    clang libclang-rt-14-dev
    # Man pages, the Debian package and its checks.
    help2man dpkg-dev file lintian desktop-file-utils man-db bash-completion
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}" >&2
  echo "install-deps: run as root (or install them) and try again" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
