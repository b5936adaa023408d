#!/bin/sh
# The Windows builds read no hive files: `--hive` answers with the way to do it
# through the registry, exit status 2 and nothing on standard output.
# Usage: hive_unavailable_win32_test.sh VINDRA-CLI.EXE (ctest sets WINEPREFIX).
set -u
run="$(dirname "$0")/../../tools/wine-run"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
for command in export regexpander; do
  "$run" "$1" "$command" --hive SOFTWARE 'HKLM\SOFTWARE\Vindra' >"$work/out" 2>"$work/err"
  status=$?
  if [ "$status" != 2 ] || [ -s "$work/out" ] ||
     ! grep -qF 'not available in this build: load the hive with `reg load HKLM\Name FILE` and export HKLM\Name' "$work/err"; then
    echo "FAIL $command --hive: exit status $status"; cat "$work/out" "$work/err"; failures=$((failures + 1))
  else
    echo "ok   $command --hive"
  fi
done
[ "$failures" = 0 ]
