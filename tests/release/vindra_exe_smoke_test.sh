#!/bin/sh
# Smoke test of the real Vindra.exe under Wine: started with a .reg file on its
# command line, its text area must hold exactly the golden text, which is what
# the native conversion of that file gives (convert_golden_test.sh keeps the
# golden file honest). The text is read from a second process, as
# tests/app/vindra_exe_test.sh does.
# Usage: vindra_exe_smoke_test.sh Vindra.exe vindra_driver.exe FILE.reg GOLDEN WINE-RUN
# (ctest sets WINEPREFIX)
set -eu
app=$1 driver=$2 reg=$3 golden=$4 W=$5
out=$(mktemp)
"$W" "$app" "Z:$reg" >/dev/null 2>&1 </dev/null &
trap '"$W" "$driver" quit >/dev/null 2>&1 || true; wait 2>/dev/null || true; rm -f "$out"' EXIT
"$W" "$driver" wait
"$W" "$driver" text >"$out"
if ! cmp "$out" "$golden"; then
  echo "FAIL: the text area differs from $(basename "$golden") (< golden, > text area):"
  diff "$golden" "$out" | iconv -f CP932 -t UTF-8 -c | head -40
  exit 1
fi
echo "vindra_exe_smoke_test: the text area holds the $(wc -l <"$out") lines of $(basename "$golden")"
