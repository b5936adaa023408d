#!/bin/sh
# Screenshots of Vindra.exe under Wine for the documentation: the main window
# after converting examples/example.reg (Japanese captions), the same with the
# English language file, and the about box. Needs a display (run it under
# xvfb-run) and the Windows build.
# Usage: tests/app/screenshots.sh BUILD_DIR [OUT_DIR]   (OUT_DIR default: docs)
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
out=$(mkdir -p "${2:-$src/docs}" && cd "${2:-$src/docs}" && pwd)
export WINEPREFIX="$build/wineprefix"
W="$src/tools/wine-run"
driver="$build/tests/app/vindra_driver.exe"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

shoot() {  # shoot EXE OUT.png [about]
  "$W" "$1" "Z:$src/examples/example.reg" >/dev/null 2>&1 </dev/null &
  "$W" "$driver" wait
  wid=$(xdotool search --sync --name '^Vindra$' | head -1)
  sleep 1
  if [ "${3:-}" = about ]; then
    "$W" "$driver" command 202
    "$W" "$driver" wait-box >/dev/null
    sleep 1
    box=$(xdotool search --sync --name 'バージョン情報' | head -1)
    import -window "$box" "$2"
    "$W" "$driver" close-box
  else
    import -window "$wid" "$2"
  fi
  "$W" "$driver" quit
  wait
}

shoot "$build/app/Vindra.exe" "$out/main-window.png"
mkdir -p "$tmp/english"
cp "$build/app/Vindra.exe" "$tmp/english/Vindra.exe"
cp "$src/lang/English.rsl" "$tmp/english/Vindra.rsl"
shoot "$tmp/english/Vindra.exe" "$out/main-window-english.png"
shoot "$build/app/Vindra.exe" "$out/about-box.png" about
echo "screenshots in $out"
