#!/bin/sh
# vindra-cli.exe export|regexpander --registry-view under Wine: a key of
# HKEY_LOCAL_MACHINE\Software written with other contents in the 64-bit view
# and in the 32-bit view. Without the option the program reads its own
# view (that of its build), with 32 or 64 the one named; anything else is a
# usage error. Run by both Windows builds, so both directions are covered.
# Usage: registry_view_test.sh VINDRA-CLI.EXE WINE-RUN (ctest sets WINEPREFIX)
set -eu
cli=$1 W=$2
key='HKLM\Software\VindraViewTest'
fail() { echo "FAIL: $*" >&2; exit 1; }
# Each view: a value and a sub-key named after it (export shows both,
# regexpander the sub-keys).
for view in 64:sixtyfour 32:thirtytwo; do
  bits=${view%%:*} name=${view#*:}
  "$W" reg add "$key" /v where /d "$name" /f /reg:$bits >/dev/null 2>&1 || fail "reg add /reg:$bits"
  "$W" reg add "$key\\$name" /f /reg:$bits >/dev/null 2>&1 || fail "reg add $name /reg:$bits"
done
tmp=$(mktemp)
trap 'rm -f "$tmp"; "$W" reg delete "$key" /f /reg:64 >/dev/null 2>&1 || true; "$W" reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true' EXIT

# The program's own view: 32 for a PE32 image (optional-header magic 0x10b).
pe=$(od -An -tu4 -j60 -N4 "$cli" | tr -d ' ')
own=64
[ "$(od -An -tx1 -j$((pe + 24)) -N2 "$cli" | tr -d ' \n')" = 0b01 ] && own=32
value_of() { case $1 in 32) echo thirtytwo ;; 64) echo sixtyfour ;; esac; }

# reads COMMAND EXPECTED [OPTIONS...]: the output of COMMAND names EXPECTED only.
reads() {
  command=$1 expected=$2
  shift 2
  "$W" "$cli" "$command" "$@" "$key" >"$tmp" || fail "$command $*: exit status $?"
  out=$(tr -d '\r' <"$tmp")
  printf '%s\n' "$out" | grep -q "$expected" || fail "$command $*: '$expected' missing in: $out"
  other=thirtytwo
  [ "$expected" = thirtytwo ] && other=sixtyfour
  printf '%s\n' "$out" | grep -q "$other" && fail "$command $*: '$other' of the other view in: $out"
  echo "$command $*: $expected"
}
for command in export regexpander; do
  reads $command "$(value_of $own)"
  reads $command thirtytwo --registry-view 32
  reads $command sixtyfour --registry-view 64
  reads $command thirtytwo --registry-view=32
done

# A view that does not exist is a usage error naming the option.
set +e
err=$("$W" "$cli" export --registry-view 16 "$key" 2>&1 >/dev/null)
status=$?
set -e
[ $status = 64 ] || fail "--registry-view 16: exit status $status, expected 64"
printf '%s\n' "$err" | grep -q -- '--registry-view' || fail "--registry-view 16: message does not name the option: $err"
echo "registry_view_test: ok (own view: $own-bit)"
