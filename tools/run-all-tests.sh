#!/bin/sh
# Installs what is missing, builds the native, sanitizer, Windows and fuzz
# trees from scratch and runs every test: natively (stress tests included),
# under ASan+UBSan, under Wine, each fuzz target for a short smoke run, and the
# native unit tests under Valgrind memcheck when the run is still young enough
# (VINDRA_VALGRIND=always|never overrides). Prints the duration of each step;
# exits non-zero when any step failed.
set -eu
cd "$(dirname "$0")/.."
begin=$(date +%s)
tools/install-deps.sh all
status=0
failed=""
step() {
  name=$1
  shift
  echo "== $name: $*" >&2
  start=$(date +%s)
  if "$@"; then result=ok; else result=FAILED; status=1; failed="$failed; $name"; fi
  echo "== $name: $result in $(($(date +%s) - start)) s" >&2
}

# The native unit-test executables (stress tests and corpus replays left out)
# under Valgrind memcheck, one after the other.
valgrind_tests() {
  rc=0
  for exe in $(ctest --preset native -N --show-only=json-v1 | python3 -c '
import json, sys
for t in json.load(sys.stdin)["tests"]:
    cmd = t.get("command") or []
    if cmd and "stress" not in t["name"] and not t["name"].endswith("_replay") and cmd[0].endswith("_tests"):
        print(cmd[0])'); do
    echo "-- valgrind $exe" >&2
    valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite "$exe" \
      --gtest_brief=1 >/dev/null || rc=1
  done
  return $rc
}

for preset in native asan windows; do
  step "configure $preset" cmake --preset "$preset" --fresh
  step "build $preset" cmake --build --preset "$preset" --clean-first
done
step "test native" ctest --preset native
step "test asan" ctest --preset asan
# The Windows tests run under Wine; without DISPLAY tools/wine-run gives them a
# private Xvfb, so the result does not depend on the caller's display.
step "test windows" env -u DISPLAY ctest --preset windows
WINEPREFIX="$PWD/build/windows/wineprefix" tools/wine-run --shutdown

# Fuzz targets: built from scratch, about 10 seconds each from the seed corpus.
rm -rf build/fuzz
step "fuzz smoke" tools/fuzz.sh 10

elapsed=$(($(date +%s) - begin))
case "${VINDRA_VALGRIND:-auto}" in
  always) step "valgrind" valgrind_tests ;;
  never) echo "== valgrind: skipped (VINDRA_VALGRIND=never)" >&2 ;;
  *)
    if [ "$elapsed" -lt 720 ]; then
      step "valgrind" valgrind_tests
    else
      echo "== valgrind: skipped, the run is already ${elapsed} s old (VINDRA_VALGRIND=always forces it)" >&2
    fi
    ;;
esac

echo "== total: $(($(date +%s) - begin)) s" >&2
[ $status = 0 ] && echo "== all steps passed" >&2 || echo "== failed steps${failed}" >&2
exit $status
