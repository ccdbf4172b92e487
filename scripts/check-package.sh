#!/usr/bin/env bash
# Checks what a built tree installs and packages (the CTest "package").
# Usage: check-package.sh BUILD_DIR
#  - `cmake --install` with DESTDIR and prefix /usr/local puts every file in
#    place and nothing elsewhere; the completion loads and completes;
#  - scripts/package.sh builds the .deb with lintian reporting no errors;
#    unpacked, its programs run, its man pages render, its desktop entry is
#    valid and its Depends name the Qt libraries.
set -uo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# Runs both programs below ROOT: each prints the same version line.
check_programs() {
  local root=$1 v1 v2
  v1=$("$root/bin/vorbrant-cli" --version) || fail "$root/bin/vorbrant-cli --version"
  v2=$(QT_QPA_PLATFORM=offscreen "$root/bin/vorbrant" --version) || fail "$root/bin/vorbrant --version"
  [[ $v1 =~ ^Vorbrant\ Lite\ [0-9]+(\.[0-9]+)+$ && $v1 == "$v2" ]] || fail "versions '$v1' and '$v2'"
}

# Renders a man page: no warnings from man/groff, and the hand-written sections.
check_man() {
  local page=$1 text
  # Wide lines and one space between words, so that no phrase is broken.
  text=$(MANWIDTH=250 man --warnings -P cat -l "$page" 2>"$work/man.err" | tr -s ' \n' '  ') \
    || fail "man -l $page"
  [ ! -s "$work/man.err" ] || fail "man -l $page warns: $(cat "$work/man.err")"
  for want in "NAME $(basename "${page%%.1*}") - flash programmer" "--sim=PART" "EXIT STATUS" "verify failed" "FILES" "vorbrant.INI" \
              "PARALLEL PORT" "modprobe parport_pc" "PCIe" "USB printer cable" "group lp" "SIMULATOR" "F340"; do
    grep -qF -- "$want" <<<"$text" || fail "$page: no '$want'"
  done
}

check_desktop() {
  local out
  out=$(desktop-file-validate "$1" 2>&1) || fail "desktop-file-validate $1: $out"
  [ -z "$out" ] || fail "desktop-file-validate $1: $out"
  grep -qx 'Categories=Development;Electronics;' "$1" || fail "$1: categories"
}

# --- cmake --install -------------------------------------------------------
DESTDIR="$work/dest" cmake --install "$build" --prefix /usr/local >"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; fail "cmake --install"; }
root=$work/dest/usr/local
for f in bin/vorbrant bin/vorbrant-cli share/applications/vorbrant.desktop \
         share/icons/hicolor/scalable/apps/vorbrant.svg \
         share/man/man1/vorbrant.1 share/man/man1/vorbrant-cli.1 \
         share/bash-completion/completions/vorbrant share/bash-completion/completions/vorbrant-cli \
         share/doc/vorbrant/README.md share/doc/vorbrant/examples/blink.hex; do
  [ -f "$root/$f" ] || fail "installed tree: no $f"
done
outside=$(cd "$work/dest" && find . -type f ! -path './usr/local/*')
[ -z "$outside" ] || fail "installed outside the prefix: $outside"
check_programs "$root"
check_man "$root/share/man/man1/vorbrant-cli.1"
check_desktop "$root/share/applications/vorbrant.desktop"

# The completion: loads in a plain bash, and offers what --help lists and
# the simulator's parts.
completion=$root/share/bash-completion/completions/vorbrant-cli
complete_words() {   # complete_words LINE: the replies, one per line
  bash -c 'source "$1" && COMP_LINE=$2 && COMP_POINT=${#COMP_LINE} && _vorbrant && printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$completion" "$1"
}
registered=$(bash -c 'source "$1" && complete -p vorbrant-cli && complete -p vorbrant' _ "$completion") \
  || fail "completion does not load"
[[ $registered == *"-F _vorbrant vorbrant-cli"* ]] || fail "completion not registered: $registered"
options=$(complete_words "vorbrant-cli --")
for option in $("$root/bin/vorbrant-cli" --help | sed -nE 's/^  (--[a-z-]+).*/\1/p'); do
  grep -qE -- "^$option=?\$" <<<"$options" || fail "completion lacks $option"
done
[ "$(complete_words 'vorbrant-cli --sim=F34' | tr '\n' ' ')" = "F340 F341 " ] || fail "completion of --sim=F34"
parts=$(complete_words "vorbrant-cli --sim=")
for part in F300 F020 F132 empty; do
  grep -qx "$part" <<<"$parts" || fail "completion lacks part $part"
done
[ "$(complete_words 'vorbrant-cli --sim=F020,adapter=iron' | tr '\n' ' ')" = "ironquill ironquill2 " ] \
  || fail "completion of adapter="

# --- the Debian package --------------------------------------------------
if bash "$src/scripts/package.sh" "$build" "$work/deb" >"$work/package.log" 2>&1; then
  cat "$work/package.log"
else
  cat "$work/package.log"
  fail "scripts/package.sh (lintian errors above?)"
fi
deb=$(ls "$work"/deb/vorbrant_*.deb 2>/dev/null | head -1)
if [ -n "$deb" ]; then
  [[ $(basename "$deb") =~ ^vorbrant_[0-9.]+_[a-z0-9]+\.deb$ ]] || fail "package name $(basename "$deb")"
  depends=$(dpkg-deb --field "$deb" Depends)
  names=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/^ +//; s/[ (].*//')
  for name in libc6 libstdc++6 libqt6core6 libqt6widgets6 qt6-qpa-plugins; do
    grep -qx -- "$name" <<<"$names" || fail "Depends lacks $name: $depends"
  done
  # A build with the FT232H adapter needs libftdi1 at run time.
  if ldd "$build/vorbrant-cli" | grep -q libftdi1; then
    grep -qx -- libftdi1-2 <<<"$names" || fail "Depends lacks libftdi1-2: $depends"
  fi
  dpkg-deb -x "$deb" "$work/x"
  outside=$(cd "$work/x" && find . -type f ! -path './usr/*' -o -path './usr/local/*')
  [ -z "$outside" ] || fail "package files outside /usr: $outside"
  check_programs "$work/x/usr"
  check_man "$work/x/usr/share/man/man1/vorbrant.1.gz"
  check_man "$work/x/usr/share/man/man1/vorbrant-cli.1.gz"
  check_desktop "$work/x/usr/share/applications/vorbrant.desktop"
else
  fail "no package built"
fi

[ $status -eq 0 ] && echo "check-package: all checks passed"
exit $status
