#!/bin/sh
# tools/fuzz.sh [SECONDS] [TARGET...]: builds the fuzz targets (preset fuzz,
# clang libFuzzer with ASan+UBSan) and runs each target for SECONDS seconds
# (default 60), starting from its seed corpus tests/fuzz/corpus/<target> and
# the inputs found by earlier runs (build/fuzz/corpus/<target>). Prints, per
# target, the executions and what was found; a crash or broken invariant is
# saved as build/fuzz/findings/<target>-crash-<sha1> with its report beside it.
# Exits 1 when any target found something. FUZZ_BUILD_DIR overrides build/fuzz.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"fuzz_charset fuzz_decode_hex fuzz_ini fuzz_converter fuzz_reg_load fuzz_reg_import fuzz_hive fuzz_diff"}
build=${FUZZ_BUILD_DIR:-build/fuzz}

mkdir -p "$build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz -B "$build" >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 2; }
fi
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target $targets >"$build/build.log" 2>&1 || { tail -50 "$build/build.log"; exit 2; }

mkdir -p "$build/findings"
status=0
total=0
printf '%-16s %12s %8s %8s  %s\n' target executions exec/s corpus result
for t in $targets; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  log="$build/findings/$t.log"
  # One process; inputs up to 8 KiB (hive files: 32 KiB, as the smallest hive
  # has 8); an input running over 10 s counts as a hang.
  maxlen=8192
  [ "$t" = fuzz_hive ] && maxlen=32768
  if "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "$corpus" "tests/fuzz/corpus/$t" \
      >"$log" 2>&1; then
    result="no findings"
  else
    result="FOUND: $(ls "$build/findings/$t-"* 2>/dev/null | tail -1) (report: $log)"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  runs=${runs:-0}
  total=$((total + runs))
  rate=$((runs / (seconds > 0 ? seconds : 1)))
  size=$(find "$corpus" -type f | wc -l)
  printf '%-16s %12s %8s %8s  %s\n' "$t" "$runs" "$rate" "$size" "$result"
done
printf '%-16s %12s\n' total "$total"
exit $status
