#!/bin/sh
# The real Vindra.exe under Wine, driven from a second process:
# a .reg file named on the command line is converted at the first showing
# (a second argument is ignored), the status bar shows the control set, a
# drop of three files from another process converts only the first, and a
# dropped hive file opens the key picker over it, whose key is exported.
# Usage: vindra_exe_test.sh Vindra.exe vindra_driver.exe SOURCE_DIR (WINEPREFIX set by ctest)
set -eu
app=$1 driver=$2 W="$3/tools/wine-run"
tmp=$(mktemp -d)
reg() {  # reg FILE KEY: an 8-bit registry file with one key and one value
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\%s]\r\n"Name"="Value"\r\n' "$2" >"$tmp/$1"
}
reg cmd.reg VindraCmdLine
reg a.reg VindraDropA
reg b.reg VindraDropB
reg c.reg VindraDropC
"$W" "$app" "Z:$tmp/cmd.reg" "Z:$tmp/b.reg" >/dev/null 2>&1 </dev/null &
trap '"$W" "$driver" quit >/dev/null 2>&1 || true; wait 2>/dev/null || true; rm -rf "$tmp"' EXIT
"$W" "$driver" wait

fail() { echo "FAIL: $*" >&2; exit 1; }
text=$("$W" "$driver" text | tr -d '\r')
echo "$text" | grep -qx '\[Default.AddReg\]' || fail "no section header: $text"
echo "$text" | grep -qF '"Software\VindraCmdLine","Name","Value"' || fail "command-line file not converted: $text"
echo "$text" | grep -q VindraDropB && fail "second argument was converted"
"$W" "$driver" status | tr -d '\r' | grep -qx 'Current: ControlSet001' || fail "status bar"

"$W" "$driver" drop "Z:$tmp/a.reg" "Z:$tmp/b.reg" "Z:$tmp/c.reg"
for i in 1 2 3 4 5 6 7 8 9 10; do
  text=$("$W" "$driver" text | tr -d '\r')
  echo "$text" | grep -q VindraDropA && break
  sleep 0.3
done
echo "$text" | grep -qF '"Software\VindraDropA","Name","Value"' || fail "first dropped file not converted: $text"
echo "$text" | grep -q 'VindraDropB\|VindraDropC\|VindraCmdLine' && fail "drop did not replace the text or took more files: $text"

# A hive: the picker opens at its mount point, HKEY_LOCAL_MACHINE\SOFTWARE;
# OK exports it after the question (Yes: append) and before the completion box.
"$W" "$driver" drop "Z:$3/tests/registry/data/hives/win10/SOFTWARE"
"$W" "$driver" wait-box >/dev/null || fail "no key picker for the dropped hive"
"$W" "$driver" close-box
"$W" "$driver" wait-box >/dev/null || fail "no question before the hive's export"
"$W" "$driver" press-yes
"$W" "$driver" wait-box >/dev/null || fail "no completion box after the hive's export"
"$W" "$driver" close-box
text=$("$W" "$driver" text | tr -d '\r')
echo "$text" | grep -qF '"Software\VindraDropA","Name","Value"' || fail "the text before the hive's export is gone: $text"
echo "$text" | grep -qF '"Vindra\Order","a","1"' || fail "the picked hive key was not exported: $text"
echo "vindra_exe_test: ok"
