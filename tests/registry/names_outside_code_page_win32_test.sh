#!/bin/sh
# Names that code page 932 cannot hold (华文仿宋 (TrueType) and others, in
# data/outside_code_page.reg): imported into Wine's registry with regedit /s,
# exported live by vindra-cli.exe, and exported with --from from the same
# file, both must give the lines of data/outside_code_page.inf, which are
# those that the native build gives with --from and with --hive of a hive
# holding the same names (names_outside_code_page_test.cpp).
# Usage: names_outside_code_page_win32_test.sh VINDRA-CLI.EXE DATA-DIR (ctest sets WINEPREFIX).
set -eu
run="$(dirname "$0")/../../tools/wine-run"
cli="$1"
data="$2"
# Spelled as Wine's registry spells its key Software, which the RegExpander
# lines carry.
key='HKEY_LOCAL_MACHINE\Software\VindraRepro'
work="$(mktemp -d)"
# The regedit and reg of vindra-cli.exe's width write and read the registry
# view that vindra-cli.exe reads: the 32-bit one for a PE32 image
# (optional-header magic 0x10b), else the 64-bit one.
pe=$(od -An -tu4 -j60 -N4 "$cli" | tr -d ' ')
regedit=regedit
reg=reg
if [ "$(od -An -tx1 -j$((pe + 24)) -N2 "$cli" | tr -d ' \n')" = 0b01 ]; then
  regedit='C:\windows\syswow64\regedit.exe'
  reg='C:\windows\syswow64\reg.exe'
fi
cleanup() {
  "$run" "$reg" delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
"$run" "$reg" delete "$key" /f >/dev/null 2>&1 || true
"$run" "$regedit" /s "Z:$data/outside_code_page.reg"
status=0
for source in live from; do
  if [ $source = live ]; then from=""; else from="--from Z:$data/outside_code_page.reg"; fi
  # shellcheck disable=SC2086 # $from is two words or none
  { "$run" "$cli" export $from "$key" && "$run" "$cli" regexpander $from "$key"; } >"$work/$source.txt" ||
    { echo "$source: exit $?"; status=1; }
  if cmp -s "$work/$source.txt" "$data/outside_code_page.inf"; then
    echo "$source: $(wc -l <"$work/$source.txt") lines as expected"
  else
    echo "$source: the lines differ from outside_code_page.inf:"
    diff "$data/outside_code_page.inf" "$work/$source.txt" | iconv -f CP932 -t UTF-8 -c | head -40
    status=1
  fi
done
exit $status
