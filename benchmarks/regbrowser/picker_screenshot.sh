#!/bin/sh
# picker_screenshot.sh BUILD_DIR OUT.png: shows the key picker of a Windows
# build under Wine on a private Xvfb display and saves a PNG of the dialog.
set -eu
build=$(cd "$1" && pwd)
out=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX="$build/wineprefix" DISPLAY=:${PICKER_DISPLAY:-58}
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
xdotool mousemove 1000 740   # no hot-tracked item under the pointer
"$root/tools/wine-run" "$build/benchmarks/regbrowser/picker_screenshot.exe" 8 >/dev/null 2>&1 &
app=$!
wid=$(xdotool search --sync --name 'レジストリキー' | head -1)
sleep 2                      # the preselection and the expansion run first
import -window "$wid" "$out"
wait $app || true
wineserver -k || true
