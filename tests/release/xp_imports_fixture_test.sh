#!/bin/sh
# The import check must fail on a program that would not start on Windows XP
# SP3, naming each reason: the fixture (objdump output of such a program)
# imports a Vista function (GetTickCount64), a Server 2003 function that the
# lists hold but XP lacks (RegGetValueA), a function of a DLL without a list,
# and has version 6.0 in its PE header. The functions XP has are not named.
# Usage: xp_imports_fixture_test.sh CHECK.py LISTS-DIR FIXTURE.txt
set -u
out=$(python3 "$1" --lists "$2" "$3")
status=$?
echo "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ $status = 1 ] || fail "exit status $status, expected 1"
for expected in 'KERNEL32.dll!GetTickCount64: not exported by Windows XP SP3' \
                'ADVAPI32.dll!RegGetValueA: not exported by Windows XP SP3' \
                'UXTHEME.dll: no Windows XP export list' \
                'subsystem version is 6.0, not 5.1' \
                'OS version is 6.0, not 5.1'; do
  printf '%s\n' "$out" | grep -qF "$expected" || fail "no line with: $expected"
done
printf '%s\n' "$out" | grep -q 'CreateFileA\|GetTickCount:\|RegOpenKeyExA' && fail "an XP function was reported"
[ "$(echo "$out" | wc -l)" = 5 ] || fail "expected exactly 5 failures"
echo "xp_imports_fixture_test: ok"
