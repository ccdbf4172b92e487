#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*.cpp) with clang under ASan/UBSan and
# runs each over a fixed number of inputs from a handful of seed files. Every
# run starts from the seeds below alone, in a fresh folder removed afterwards,
# so no run inherits inputs an earlier one found. Exit 77 when clang++ is
# missing (CTest counts that as skipped).
#   VORBRANT_FUZZ_BUILD    build folder (default build-fuzz)
#   VORBRANT_FUZZ_SECONDS  time limit per target (default 60)
#   VORBRANT_FUZZ_RUNS     inputs per target (default 300000; -1 = until the time limit)
#   VORBRANT_FUZZ_SEED     libFuzzer seed (default 8051)
set -euo pipefail
cd "$(dirname "$0")/.."

cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
  echo "fuzz-smoke: clang++ not found, skipped"
  exit 77
fi
build=${VORBRANT_FUZZ_BUILD:-build-fuzz}
seconds=${VORBRANT_FUZZ_SECONDS:-60}
runs=${VORBRANT_FUZZ_RUNS:-300000}
fuzzseed=${VORBRANT_FUZZ_SEED:-8051}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
  -DVORBRANT_FUZZ=ON -DVORBRANT_GUI=OFF -DVORBRANT_TESTS=OFF -DVORBRANT_BENCH=OFF >/dev/null
targets=()
for src in fuzz/*.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
cmake --build "$build" --target "${targets[@]}" -j2

# This run's seeds and corpus. A fixed place, emptied first, so a run that
# was killed before its clean-up leaves nothing to the next one; the corpus
# folders of earlier versions of this script go too.
run="$build/smoke-run"
rm -rf "$run" "$build/corpus" "$build/seeds"
mkdir -p "$run"
trap 'rm -rf "$run"' EXIT

# Seeds: a few good and bad inputs per format.
seed() {   # seed TARGET NAME CONTENT
  mkdir -p "$run/seeds/$1"
  printf '%b' "$3" > "$run/seeds/$1/$2"
}
# fuzz_hex: four bytes of load offset (little-endian), then the file.
seed fuzz_hex good '\x00\x00\x00\x00:020000040001F9\r\n:0400100001020304E2\r\n:00000001FF\r\n'
seed fuzz_hex segment '\x00\x01\x00\x00:020000021000EC\n:01000000AA55\n:00000001FF\n'
seed fuzz_hex bad '\xF0\xFF\xFF\xFF:0400100001020304E3\r\n:00000001ff\r\n'
seed fuzz_hex wrap '\x10\x00\x00\x00:02000004FFFFFC\n:01FFFF00AA57\n:00000001FF\n'
seed fuzz_srecord good 'S00600004844521B\nS1050010AABB85\nS2060100101234A2\nS30700300000010293\nS5030001FB\nS9030000FC\n'
seed fuzz_srecord bad 'S1050010AABB86\nS4030000FC\n'
seed fuzz_dat good '[20000010] 12AB\n[20000012] CD34\r\n'
seed fuzz_dat bad '[2000001] 12AB\n[203FFFFF] 0102\n'
seed fuzz_address_text hex ' ffh '
seed fuzz_address_text dollar '$FF'
seed fuzz_address_text decimal '-1234'
seed fuzz_sim_config short 'F340,adapter=ironquill2,lock=FE,rev=2,fail-write=0x100,stuck-bit=0x20:3,stalls=9'
seed fuzz_sim_config chain '[Simulator]\nAdapter=ironquill\n[Device1]\nIRLength=8\nIDCode=0123A0F1\n[Device2]\nPart=F020\nLock=FEFF\n'
seed fuzz_jcf chain '[JTAG Chain]\r\nVersion=1.0\r\nDevice_1=CPU_A(4,0,0) /work/a b, c.hex\r\nDevice_2=CPU_B(8,512,4026531841) \r\n[JTAG Devices]\r\nDevice_1=X(4,0,1)\r\n'
seed fuzz_ini config '[ENVIRONMENT]\r\nLastDir=/home/x\r\nPort=888\r\nFileCount=2\r\nFile1=/a.hex\r\n\r\n[JTAG Devices]\r\nCount=1\r\n'
# fuzz_ini_edit: the file, NUL, then edits of three bytes (operation and
# section, key, value).
seed fuzz_ini_edit devices '[ENVIRONMENT]\r\nPort=1\r\n\r\n[JTAG Devices]\r\nDevice_1=F120(4,0,1)\r\nK=1\r\nk=2\r\n; end\r\n\x00\x02\x00\x05\x00\x00\x03\x01\x05\x00\x0C\x04\x07\x09\x01\x02'
seed fuzz_ini hand '\xEF\xBB\xBF; settings\r\n[ENVIRONMENT]\r\nLastDir = C:\\x  \r\nFile1=a\r\nfile1=b\r\nno key\r\n[JTAG Chain]\rDevice1=F120,8'

status=0
for t in "${targets[@]}"; do
  corpus="$run/corpus/$t"
  mkdir -p "$corpus" "$run/seeds/$t"
  echo "fuzz-smoke: $t, $runs inputs (at most ${seconds}s)"
  # A fixed seed and run count make the smoke run the same inputs every
  # time (a test run must not pass or fail by chance); longer hunts:
  # VORBRANT_FUZZ_RUNS=-1 with VORBRANT_FUZZ_SECONDS.
  if ! "$build/fuzz/$t" -seed="$fuzzseed" -runs="$runs" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$build/$t-" -print_final_stats=0 "$corpus" "$run/seeds/$t" >"$build/$t.log" 2>&1; then
    echo "fuzz-smoke: $t FAILED (log: $build/$t.log)"
    tail -40 "$build/$t.log"
    status=1
  else
    grep -E "^Done|#[0-9]+ *DONE" "$build/$t.log" | tail -1 || true
  fi
done
exit $status
