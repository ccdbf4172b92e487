#!/usr/bin/env bash
# `--convert IN OUT.bin` on a full 4 MiB image in Intel HEX (about 11 MB of
# text), beside `objcopy -I ihex -O binary` on the same file in the same run.
# Measures the CPU time of each whole process (user + sys, start-up included),
# best of RUNS, checks both wrote the same bytes, and prints both times and
# the ratio ours/objcopy (the aim: at most 0.5). Exit 1 when the outputs
# differ or a conversion fails, 77 when objcopy is missing.
#   BIN   the program (default build/vorbrant-cli, else build/vorbrant)
#   RUNS  runs of each, the best counts (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${BIN:-}
if [ -z "$bin" ]; then
  if [ -x build/vorbrant-cli ]; then bin=build/vorbrant-cli; else bin=build/vorbrant; fi
fi
runs=${RUNS:-7}
if ! command -v objcopy >/dev/null; then
  echo "convert-vs-objcopy: objcopy not found, skipped"
  exit 77
fi
if [ ! -x "$bin" ]; then
  echo "convert-vs-objcopy: $bin is not there (build it, or set BIN)" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vorbrant-convert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# 4 MiB of random bytes as Intel HEX, 16 bytes a record with extended
# linear address records, as objcopy writes it.
head -c 4194304 /dev/urandom > "$work/image.raw"
objcopy -I binary -O ihex "$work/image.raw" "$work/image.hex"

# cpu_ms COMMAND...: user + sys milliseconds of the command and all it
# started, from the shell's accounting of its finished children.
cpu_ms() {
  local out
  out=$( ( if "$@" >/dev/null 2>&1; then times; else echo FAILED; fi ) )
  if [ "$out" = FAILED ]; then
    echo FAILED
    return
  fi
  # The second line, "0m0.512s 0m0.031s": the children's user and sys time.
  out=$(tail -1 <<<"$out")
  awk '{ n = 0; for (i = 1; i <= 2; ++i) { split($i, p, /[ms]/); n += p[1] * 60 + p[2] } printf "%d\n", n * 1000 + 0.5 }' <<<"$out"
}

best() {   # best NAME COMMAND...
  local name=$1 b="" t
  shift
  for _ in $(seq "$runs"); do
    t=$(cpu_ms "$@")
    if [ "$t" = FAILED ]; then
      echo "convert-vs-objcopy: $name failed: $*" >&2
      exit 1
    fi
    if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}

# The input is read once first, so neither side pays for the disk.
cat "$work/image.hex" >/dev/null
ours=$(best "$bin" "$bin" --convert "$work/image.hex" "$work/ours.bin")
theirs=$(best objcopy objcopy -I ihex -O binary "$work/image.hex" "$work/objcopy.bin")

if ! cmp -s "$work/ours.bin" "$work/objcopy.bin"; then
  echo "convert-vs-objcopy: the two binaries differ" >&2
  cmp "$work/ours.bin" "$work/objcopy.bin" | head -1 >&2 || true
  exit 1
fi

hexmb=$(awk -v n="$(stat -c %s "$work/image.hex")" 'BEGIN { printf "%.1f", n / 1e6 }')
echo "Intel HEX $hexmb MB -> 4 MiB binary, CPU time (user+sys), best of $runs:"
printf '  %-45s %6d ms\n' "$bin --convert" "$ours" "objcopy -I ihex -O binary" "$theirs"
awk -v a="$ours" -v b="$theirs" 'BEGIN {
  if (b == 0) { print "  ratio: objcopy took no measurable time"; exit }
  r = a / b
  printf "  ratio ours/objcopy %.2f (aim <= 0.50) %s\n", r, r <= 0.5 ? "ok" : "TOO SLOW"
}'
