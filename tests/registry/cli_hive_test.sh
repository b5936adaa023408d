#!/bin/sh
# vindra-cli export / regexpander --hive on the committed test hives: the
# lines must be those of --from the .reg file the hives were written from;
# refusals and damage give their message, their exit status and nothing on
# standard output. The same cases in every build: the native vindra-cli, and
# vindra-cli.exe of the Windows builds under Wine.
# Usage: cli_hive_test.sh VINDRA-CLI DATA-DIR [WINE-RUN] (ctest sets WINEPREFIX for Wine)
cli="$1" data="$2" run="${3:-}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SystemRoot='C:\WINDOWS' ProgramFiles='C:\Program Files' SystemDrive='C:'
failures=0

# A file name as the program under test reaches it (drive Z: under Wine).
file() { if [ -n "$run" ]; then printf 'Z:%s' "$1"; else printf '%s' "$1"; fi; }
vindra() { if [ -n "$run" ]; then "$run" "$cli" "$@"; else "$cli" "$@"; fi; }
tree=$(file "$data/hive_tree.reg")

# same NAME COMMAND ARGS... -- HIVE-ARGS...: --hive gives the lines of --from.
same() {
  name="$1" command="$2"
  shift 2
  args=""
  while [ "$1" != "--" ]; do args="$args $(printf "'%s'" "$1")"; shift; done
  shift
  eval "vindra $command --from \"\$tree\" $args" >"$work/from" 2>"$work/from.err"
  from_status=$?
  eval "vindra $command \"\$@\" $args" >"$work/hive" 2>"$work/hive.err"
  hive_status=$?
  if [ "$from_status" != 0 ] || [ "$hive_status" != 0 ] || [ ! -s "$work/hive" ] || ! cmp -s "$work/from" "$work/hive"; then
    echo "FAIL $name: --from exit $from_status, --hive exit $hive_status"
    cat "$work/from.err" "$work/hive.err"; diff "$work/from" "$work/hive" | head -20
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# refused NAME STATUS STDERR-PART ARGS...: the exit status, the message, no output.
refused() {
  name="$1" status="$2" part="$3"
  shift 3
  vindra "$@" >"$work/out" 2>"$work/err"
  got=$?
  if [ "$got" != "$status" ] || [ -s "$work/out" ] || ! grep -qF -- "$part" "$work/err"; then
    echo "FAIL $name: exit status $got (expected $status)"; cat "$work/err"; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

for writer in hivex xp win10; do
  hives="$data/hives/$writer"
  cp "$hives/SOFTWARE" "$work/soft.hiv"
  same "$writer: Japanese key names" export --encoding utf-8 'HKLM\Software\Vindra\表示' -- --hive "$(file "$hives/SOFTWARE")"
  same "$writer: --mount for another file name" export 'HKLM\SOFTWARE\Vindra\Order' -- \
    "--hive=$(file "$work/soft.hiv")" --mount 'HKLM\SOFTWARE'
  same "$writer: a 40-level key" regexpander 'HKLM\SOFTWARE\Vindra\Deep' -- --hive "$(file "$hives/SOFTWARE")"
  same "$writer: CurrentControlSet" regexpander 'HKLM\SYSTEM\CurrentControlSet\Services' -- \
    --hive "$(file "$hives/SYSTEM")"
  same "$writer: --no-controlset001" export --no-controlset001 'HKLM\SYSTEM\CurrentControlSet' -- \
    --hive "$(file "$hives/SYSTEM")"
  if [ -f "$hives/NTUSER.DAT" ]; then
    same "$writer: NTUSER.DAT" export 'HKCU\Software' -- --hive "$(file "$hives/NTUSER.DAT")"
    same "$writer: UsrClass.dat" export 'HKCR\Vindra.File' -- --hive "$(file "$hives/UsrClass.dat")"
  fi
done

# A hive Windows did not close cleanly is read as it stands, with a warning.
vindra export --hive "$(file "$data/hives/win10/SYSTEM")" 'HKLM\SYSTEM\ControlSet001' >"$work/out" 2>"$work/err"
if [ $? != 0 ] || [ ! -s "$work/out" ] || ! grep -qF "was not closed cleanly" "$work/err"; then
  echo "FAIL dirty hive"; cat "$work/err"; failures=$((failures + 1))
else
  echo "ok   dirty hive"
fi

soft=$(file "$data/hives/win10/SOFTWARE")
head -c 6000 "$data/hives/win10/SOFTWARE" >"$work/damaged"
printf 'Windows Registry Editor Version 5.00\r\n' >"$work/text.reg"
refused "no --mount for another name" 64 "add --mount ROOT\\PATH" export --hive "$(file "$work/soft.hiv")" 'HKLM\SOFTWARE\Vindra'
refused "key outside the hive's root" 64 "lies outside HKEY_LOCAL_MACHINE\\SOFTWARE" export --hive "$soft" 'HKCU\Software'
refused "key beside the mount point" 64 "lies outside" export --hive "$soft" 'HKLM\SOFTWAREX'
refused "--mount alone" 64 "--mount needs --hive" export --mount 'HKLM\SOFTWARE' 'HKLM\SOFTWARE\Vindra'
refused "--mount without a root" 64 "does not start with a root key" \
  export --hive "$(file "$work/soft.hiv")" --mount nowhere 'HKLM\SOFTWARE'
refused "--from and --hive" 64 "not both" export --from "$tree" --hive "$soft" 'HKLM\SOFTWARE'
refused "file cut short" 2 "damaged: damaged hive: the file is cut short" \
  export --hive "$(file "$work/damaged")" --mount 'HKLM\SOFTWARE' 'HKLM\SOFTWARE\Vindra'
refused "no hive" 2 "text.reg: not a registry hive file" regexpander --hive "$(file "$work/text.reg")" \
  --mount 'HKLM\SOFTWARE' 'HKLM\SOFTWARE'
refused "missing file" 2 "missing: cannot be read" \
  export --hive "$(file "$work/missing")" --mount 'HKLM\SOFTWARE' 'HKLM\SOFTWARE'
[ "$failures" = 0 ]
