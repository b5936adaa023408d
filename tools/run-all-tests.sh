#!/bin/sh
# Installs what is missing, builds the native, sanitizer and Windows trees from
# scratch and runs every test: natively, under ASan+UBSan, and under Wine.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh all
status=0
run() { echo "== $*" >&2; "$@" || status=1; }

for preset in native asan windows; do
  run cmake --preset "$preset" --fresh >/dev/null
  run cmake --build --preset "$preset"
done
run ctest --preset native
run ctest --preset asan
# Windows tests need an X display for their windows; xvfb-run provides one.
run xvfb-run -a -s '-screen 0 1280x1024x24' sh -c \
  'ctest --preset windows; rc=$?; WINEPREFIX=$PWD/build/windows/wineprefix wineserver -k 2>/dev/null; exit $rc'
exit $status
