#!/bin/sh
# vindra-cli.exe export of a large live key under Wine and vindra-cli.exe
# export --from of that key's .reg export must give the same bytes: both
# apply the same rules, so any difference is a fault of the registry layer or
# of the .reg importer. Usage: live_vs_file_win32_test.sh VINDRA-CLI.EXE KEY...
# (ctest sets WINEPREFIX).
set -eu
run="$(dirname "$0")/../../tools/wine-run"
cli="$1"
shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
# The reg.exe of vindra-cli.exe's width reads the registry as vindra-cli.exe
# does (its own view): the 32-bit one for a PE32 image (optional-header magic
# 0x10b), else the 64-bit one.
pe=$(od -An -tu4 -j60 -N4 "$cli" | tr -d ' ')
reg=reg
[ "$(od -An -tx1 -j$((pe + 24)) -N2 "$cli" | tr -d ' \n')" = 0b01 ] && reg='C:\windows\syswow64\reg.exe'
# Wine itself writes keys now and then (the display driver's Control\Video
# entries when a program first starts in the prefix): the live export counts
# only when a .reg export taken before it and one taken after it agree, else
# it is taken again.
export_key() {
  "$run" "$reg" export "$1" "Z:$2" /y >/dev/null 2>&1 || { echo "reg export $1 failed"; exit 1; }
}
for key in "$@"; do
  for command in export regexpander; do
    attempt=1
    while :; do
      export_key "$key" "$work/before.reg"
      "$run" "$cli" "$command" "$key" >"$work/live.txt" || { echo "live $command $key: exit $?"; status=1; }
      export_key "$key" "$work/export.reg"
      cmp -s "$work/before.reg" "$work/export.reg" || [ $attempt -ge 3 ] || { attempt=$((attempt + 1)); continue; }
      break
    done
    "$run" "$cli" "$command" --from "Z:$work/export.reg" "$key" >"$work/file.txt" ||
      { echo "--from $command $key: exit $?"; status=1; }
    if cmp -s "$work/live.txt" "$work/file.txt"; then
      echo "$command $key: $(wc -l <"$work/live.txt") lines, identical"
    else
      echo "$command $key: the live export and the export of its .reg file differ:"
      diff "$work/live.txt" "$work/file.txt" | iconv -f CP932 -t UTF-8 -c | head -40
      status=1
    fi
  done
done
exit $status
