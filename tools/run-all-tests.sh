#!/bin/sh
# Installs what is missing, builds the native, sanitizer, 32-bit Windows,
# 64-bit Windows and fuzz trees from scratch and runs every test: natively
# (stress tests included), under ASan+UBSan, under 32-bit and 64-bit Wine, and
# each fuzz target for a short smoke run. The native unit tests under Valgrind
# memcheck run only with VINDRA_VALGRIND=always (it adds about a minute).
# Compilers run through ccache when it is installed (CMAKE_CXX_COMPILER_LAUNCHER
# set by the caller wins). Prints the duration of each step; exits non-zero
# when any step failed.
set -eu
cd "$(dirname "$0")/.."
begin=$(date +%s)
tools/install-deps.sh all
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
  export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
  # Paths relative to the checkout, so another checkout of the same sources
  # (a CI clone) finds the objects of this one.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
fi
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

for preset in native asan windows32 windows; do
  step "configure $preset" cmake --preset "$preset" --fresh
  step "build $preset" cmake --build --preset "$preset" --clean-first
done
step "test native" ctest --preset native
step "test asan" ctest --preset asan
# The Windows tests run under Wine; without DISPLAY tools/wine-run gives them a
# private Xvfb, so the result does not depend on the caller's display.
# The 32-bit Wine needs a kernel that runs 32-bit (i386) programs; some
# virtual machines are built without that. There the windows32 programs are
# still built and their Windows XP import check runs, but nothing of them can
# be started: say so loudly instead of failing on every test.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  step "test windows32" env -u DISPLAY ctest --preset windows32
else
  echo "== test windows32: THIS KERNEL CANNOT RUN 32-BIT PROGRAMS (no IA-32 emulation):" \
    "only the Windows XP import checks run; the Wine tests of the 32-bit build are skipped" >&2
  step "test windows32 (import checks only)" ctest --preset windows32 -R '^release_xp_imports'
fi
WINEPREFIX="$PWD/build/windows32/wineprefix" tools/wine-run --shutdown
step "test windows" env -u DISPLAY ctest --preset windows
WINEPREFIX="$PWD/build/windows/wineprefix" tools/wine-run --shutdown

# Fuzz targets: built from scratch, about 10 seconds each from the seed corpus.
rm -rf build/fuzz
step "fuzz smoke" tools/fuzz.sh 10

if [ "${VINDRA_VALGRIND:-}" = always ]; then
  step "valgrind" valgrind_tests
else
  echo "== valgrind: skipped (VINDRA_VALGRIND=always runs it)" >&2
fi

echo "== total: $(($(date +%s) - begin)) s" >&2
[ $status = 0 ] && echo "== all steps passed" >&2 || echo "== failed steps${failed}" >&2
exit $status
