#!/bin/sh
# vindra-cli.exe snapshot and diff against Wine's live registry:
#  1. the snapshot of a key is what `reg export` writes for it, byte for byte;
#  2. a string holding a line break is written as hex(1):;
#  3. after keys and values are added, changed and deleted, `diff BEFORE`
#     (the live registry as AFTER) writes exactly those changes.
# Usage: snapshot_diff_win32_test.sh VINDRA-CLI.EXE (ctest sets WINEPREFIX).
set -eu
run="$(dirname "$0")/../../tools/wine-run"
cli="$1"
work="$(mktemp -d)"
key='HKEY_CURRENT_USER\Software\VindraSnapshotTest'
# The reg.exe of vindra-cli.exe's width (PE32 optional-header magic 0x10b).
pe=$(od -An -tu4 -j60 -N4 "$cli" | tr -d ' ')
reg=reg
[ "$(od -An -tx1 -j$((pe + 24)) -N2 "$cli" | tr -d ' \n')" = 0b01 ] && reg='C:\windows\syswow64\reg.exe'
cleanup() {
  "$run" "$reg" delete "$key" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$work"
status=0
fail() {
  echo "FAILED: $*"
  status=1
}

# A UTF-16LE file with byte-order mark from UTF-8 text with LF line ends.
utf16() { { printf '\357\273\277'; sed 's/$/\r/'; } | iconv -f UTF-8 -t UTF-16LE; }
utf16 >"$work/fixture.reg" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\VindraSnapshotTest\Plain]
@="default"
"Str"="a\\b \"q\""
"Empty"=""
"Dw"=dword:0000001f
"Bin"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f
"Exp"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,25,00,00,00
"Multi"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00
"Qw"=hex(b):01,00,00,00,00,00,00,00
"None"=hex(0):
"日本語の名前"="テキスト"

[HKEY_CURRENT_USER\Software\VindraSnapshotTest\Plain\Sub]
"x"="y"

[HKEY_CURRENT_USER\Software\VindraSnapshotTest\Plain\Sub\Deeper]

[HKEY_CURRENT_USER\Software\VindraSnapshotTest\Plain\表示]
"z"=dword:00000001

[HKEY_CURRENT_USER\Software\VindraSnapshotTest\Lines]
"Text"=hex(1):61,00,0d,00,0a,00,62,00,00,00
EOF
"$run" "$reg" import "Z:$work/fixture.reg" >/dev/null 2>&1 || { echo "reg import failed"; exit 1; }

# 1. The same bytes as reg export.
"$run" "$cli" snapshot "$key\\Plain" -o "Z:$work/snapshot.reg" || fail "snapshot: exit $?"
"$run" "$reg" export "$key\\Plain" "Z:$work/export.reg" /y >/dev/null 2>&1 || fail "reg export"
if cmp -s "$work/snapshot.reg" "$work/export.reg"; then
  echo "snapshot = reg export: $(wc -c <"$work/snapshot.reg") bytes, identical"
else
  fail "the snapshot differs from reg export:"
  diff "$work/export.reg" "$work/snapshot.reg" | head -20 || true
  iconv -f UTF-16LE -t UTF-8 "$work/snapshot.reg" | head -30
fi

# 2. A line break: hex(1):, where reg export writes an escape.
"$run" "$cli" snapshot "$key\\Lines" -o "Z:$work/lines.reg" || fail "snapshot Lines: exit $?"
iconv -f UTF-16LE -t UTF-8 "$work/lines.reg" | tr -d '\r' | grep -qx '"Text"=hex(1):61,00,0d,00,0a,00,62,00,00,00' ||
  fail "the line break is not written as hex(1): $(iconv -f UTF-16LE -t UTF-8 "$work/lines.reg")"

# 3. Changes after a snapshot, read back against the live registry.
"$run" "$cli" snapshot "$key" -o "Z:$work/before.reg" || fail "snapshot before: exit $?"
"$run" "$cli" diff "Z:$work/before.reg" >"$work/none.txt" 2>"$work/none.err" || fail "diff without changes: exit $?"
[ -s "$work/none.txt" ] && fail "diff without changes wrote: $(cat "$work/none.txt")"
"$run" "$reg" add "$key\\Plain\\NewKey" /v Added /t REG_SZ /d hello /f >/dev/null 2>&1
"$run" "$reg" add "$key\\Plain" /v Str /t REG_SZ /d changed /f >/dev/null 2>&1
"$run" "$reg" delete "$key\\Plain" /v Dw /f >/dev/null 2>&1
"$run" "$reg" delete "$key\\Plain\\Sub" /f >/dev/null 2>&1
"$run" "$cli" diff "Z:$work/before.reg" >"$work/diff.txt" 2>"$work/diff.err" || fail "diff: exit $?"
cat >"$work/expected.txt" <<'EOF'
[Default.AddReg]
0x0,"Software\VindraSnapshotTest\Plain"
0x1,"Software\VindraSnapshotTest\Plain","Str","changed"
0x0,"Software\VindraSnapshotTest\Plain\NewKey"
0x1,"Software\VindraSnapshotTest\Plain\NewKey","Added","hello"

[Default.DelReg]
0x4,"Software\VindraSnapshotTest\Plain","Dw",0x1F
0x0,"Software\VindraSnapshotTest\Plain\Sub"

EOF
if tr -d '\r' <"$work/diff.txt" | cmp -s - "$work/expected.txt"; then
  echo "diff against the live registry: $(tr -d '\r' <"$work/diff.err")"
else
  fail "diff against the live registry wrote:"
  tr -d '\r' <"$work/diff.txt"
  cat "$work/diff.err"
fi
exit $status
