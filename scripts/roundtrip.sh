#!/usr/bin/env bash
# Round trips on the simulator: each file is erased, programmed and verified
# into a simulated part, read back with --read over the file's range, and
# both are turned into binary images by srec_cat (not by this program's own
# loader) and compared with cmp. Files: an SDCC-built HEX, srec_cat S19/S28/S37
# without end records, objcopy's S-records and Intel HEX, a file with gaps and
# a file that fills the code area up to the lock byte(s).
#
#   scripts/roundtrip.sh [build/vorbrant-cli] [PART...]
#
# Prints one line per round trip and "N passed, N failed" at the end; exits
# 1 when any failed, 77 when srec_cat is missing.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(realpath "${1:-$here/build/vorbrant-cli}")"
shift || true
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(F340 F330 F310 F300 F020 F120 F060)

if ! command -v srec_cat >/dev/null; then
  echo "srec_cat not found (Debian package srecord): skipped"
  exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The SDCC-built firmware: rebuilt when sdcc is there, else the copy kept
# beside its source (built by SDCC 4.2.0 from the same blink.c).
if command -v sdcc >/dev/null && sdcc -mmcs51 "$here/tests/roundtrip/blink.c" -o blink.ihx >/dev/null 2>&1; then
  :
else
  cp "$here/tests/roundtrip/blink-sdcc.ihx" blink.ihx
fi
srec_cat blink.ihx -intel -o blink.s19 -motorola 2>/dev/null
srec_cat blink.ihx -intel -o blink.s28 -motorola -address-length=3 2>/dev/null
srec_cat blink.ihx -intel -o blink.s37 -motorola -address-length=4 2>/dev/null
have_objcopy=0
if command -v objcopy >/dev/null; then
  objcopy -I ihex -O srec blink.ihx objcopy.srec && objcopy -I ihex -O ihex blink.ihx objcopy.hex && have_objcopy=1
fi

# The last address Program writes: below the one C2 lock byte, below the two
# JTAG lock bytes.
top_of() {
  case "$1" in
    F340) echo 0xFBFE ;; F330|F300) echo 0x1DFE ;; F310) echo 0x3DFE ;;
    F020|F060) echo 0xFDFD ;; F120) echo 0x1FBFD ;;
    *) echo "no top known for $1" >&2; return 1 ;;
  esac
}

format_of() {
  case "$1" in *.hex|*.ihx) echo -intel ;; *) echo -motorola ;; esac
}

passed=0
failed=0
ini="$work/rt.INI"
for part in "${parts[@]}"; do
  top=$(top_of "$part") || { failed=$((failed + 1)); continue; }
  # Three blocks with gaps between them, the last one ending at the top.
  srec_cat -generate 0x0000 0x0100 -repeat-data 0x11 0x22 0x33 \
           -generate 0x1000 0x1080 -repeat-data 0x5A 0xA5 \
           -generate $((top - 0x3F)) $((top + 1)) -repeat-data 0x0F 0xF0 0x00 \
           -o gaps.hex -intel
  # Every code byte up to the top, few of them 0xFF.
  srec_cat -generate 0 $((top + 1)) -repeat-data 0x12 0x34 0x56 0x78 0x9A 0x00 0xFE \
           -o full.hex -intel -line-length=76
  files=(blink.ihx blink.s19 blink.s28 blink.s37 gaps.hex full.hex)
  [ $have_objcopy = 1 ] && files+=(objcopy.srec objcopy.hex)
  for file in "${files[@]}"; do
    rm -f dev.bin back.hex a.bin b.bin
    why=""
    if ! out=$("$cli" --headless --ini="$ini" --sim="$part,flash=dev.bin" -e -p -v -f"$file" -sLPT1 2>&1); then
      why="program: $(echo "$out" | grep -E 'Error|Warning|Result' | head -3 | tr '\n' ' ')"
    elif ! out=$("$cli" --headless --ini="$ini" --sim="$part,flash=dev.bin" -f"$file" -sLPT1 --read=back.hex 2>&1); then
      why="read: $(echo "$out" | grep -E 'Error|Result' | head -3 | tr '\n' ' ')"
    else
      fmt=$(format_of "$file")
      srec_cat "$file" $fmt -fill 0xFF -over "$file" $fmt -o a.bin -binary 2>/dev/null
      srec_cat back.hex -intel -o b.bin -binary 2>/dev/null
      cmp -s a.bin b.bin || why="read back differs: $(cmp a.bin b.bin 2>&1 | head -1)"
    fi
    if [ -z "$why" ]; then
      passed=$((passed + 1))
      printf 'ok    %-5s %-13s %7d bytes identical\n' "$part" "$file" "$(stat -c %s a.bin)"
    else
      failed=$((failed + 1))
      printf 'FAIL  %-5s %-13s %s\n' "$part" "$file" "$why"
    fi
  done
done
echo "roundtrip: $passed passed, $failed failed"
[ $failed -eq 0 ]
