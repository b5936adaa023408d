#!/bin/sh
# vindra-cli export / regexpander over a .reg file: output bytes, error texts
# and exit statuses. Usage: cli_export_test.sh VINDRA-CLI DATA-DIR
cli="$1"
reg="$2/demo.reg"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SystemRoot='C:\WINDOWS' ProgramFiles='C:\Program Files' SystemDrive='C:'
failures=0

# check NAME EXPECTED-STATUS EXPECTED-STDOUT(printf format) EXPECTED-STDERR-SUBSTRING -- ARGS...
check() {
  name="$1" status="$2" out="$3" err="$4"
  shift 5
  "$cli" "$@" >"$work/out" 2>"$work/err"
  got=$?
  printf "$out" >"$work/expected"
  if [ "$got" != "$status" ]; then
    echo "FAIL $name: exit status $got, expected $status"; cat "$work/err"; failures=$((failures + 1))
  elif ! cmp -s "$work/out" "$work/expected"; then
    echo "FAIL $name: output differs"; od -c "$work/out" | head -20; echo "expected:"; od -c "$work/expected" | head -20
    failures=$((failures + 1))
  elif [ -n "$err" ] && ! grep -qF -- "$err" "$work/err"; then
    echo "FAIL $name: standard error lacks '$err':"; cat "$work/err"; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

check "export of a sub-key" 0 '[Software.AddReg]\r\n0x0,"Demo\\Sub"\r\n0x7,"Demo\\Sub","List","a","b"\r\n' "" -- \
  export --encoding utf-8 --from "$reg" 'HKLM\software\demo\sub'
check "failing read keeps the lines before it" 3 \
  '[Software.AddReg]\r\n0x0,"Demo"\r\n0x1,"Demo",,"X:\\I386\\demo.exe"\r\n' "'Bad' の取得に失敗しました" -- \
  export --encoding utf-8 --from "$reg" 'HKEY_LOCAL_MACHINE\SOFTWARE\Demo'
check "control set kept, no header" 0 \
  '0x0,"CurrentControlSet\\Services\\Demo"\r\n0x4,"CurrentControlSet\\Services\\Demo","Start",0x2\r\n' "" -- \
  export --no-section-header --no-controlset001 --from "$reg" 'HKLM\SYSTEM\CurrentControlSet\Services\Demo'
check "system key gets its header" 0 \
  '[SetupReg.AddReg]\r\n0x0,"ControlSet001\\Services\\Demo"\r\n0x4,"ControlSet001\\Services\\Demo","Start",0x2\r\n' "" -- \
  export --from="$reg" 'HKLM\SYSTEM\CurrentControlSet\Services\Demo\'
check "HKLM outside SOFTWARE and SYSTEM" 2 '' "[HKEY_LOCAL_MACHINE\\Software/System]より上層のエントリは指定できません" -- \
  export --encoding utf-8 --from "$reg" 'HKLM\HARDWARE\Demo'
check "root not allowed" 2 '' "指定できないレジストリのエントリです" -- \
  export --encoding utf-8 --from "$reg" 'HKU\.DEFAULT\Demo'
check "regexpander root not allowed" 2 '' "指定できないレジストリのエントリです" -- \
  regexpander --encoding utf-8 --from "$reg" 'HKEY_USERS\.DEFAULT\Demo'
check "regexpander of HKLM outside SOFTWARE" 0 \
  '; for Registry Expander\r\n0x7,"Quenvel\\RegExpander\\HKLM","HARDWARE\\Demo","x"\r\n' "" -- \
  regexpander --from "$reg" 'HKLM\HARDWARE\Demo'
check "regexpander with Japanese names" 0 \
  '; for Registry Expander\r\n0x7,"Quenvel\\RegExpander\\HKLM","SOFTWARE\\Demo","(Default)","日本"\r\n0x7,"Quenvel\\RegExpander\\HKLM","SOFTWARE\\Demo\\Sub","List"\r\n' "" -- \
  regexpander --encoding utf-8 --from "$reg" 'HKLM\SOFTWARE\Demo'
check "Japanese key path as UTF-8" 0 \
  '[Default.AddReg]\r\n0x0,"Software\\表示"\r\n0x1,"Software\\表示","値","ソ\\表"\r\n' "" -- \
  export --encoding utf-8 --from "$reg" 'HKCU\software\表示'
# The same in the ANSI code page: argument and output in CP932.
key932="$(printf 'HKCU\\SOFTWARE\\表示' | iconv -f UTF-8 -t CP932)"
out932="$(printf '[Default.AddReg]\r\n0x0,"Software\\表示"\r\n0x1,"Software\\表示","値","ソ\\表"\r\n' | iconv -f UTF-8 -t CP932 | od -An -v -to1 | tr -d ' \n' | sed 's/.../\\&/g')"
check "Japanese key path in CP932" 0 "$out932" "" -- export --from "$reg" "$key932"
check "missing file" 2 '' "missing.reg" -- export --from "$2/missing.reg" 'HKLM\SOFTWARE\Demo'
check "unknown root" 64 '' "does not start with a root key" -- export --from "$reg" 'HKXX\a'
check "root alone" 64 '' "below the root key" -- export --from "$reg" 'HKLM'
check "no key" 64 '' "ROOT\\PATH is missing" -- regexpander --from "$reg"
check "regexpander has no header option" 64 '' "unknown option --no-section-header" -- \
  regexpander --no-section-header --from "$reg" 'HKLM\SOFTWARE\Demo'
printf 'not a registry file\r\n' >"$work/plain.reg"
check "not a registry export" 2 '' "not a registry export" -- export --from "$work/plain.reg" 'HKLM\SOFTWARE\Demo'
# A problem line quotes the file's (CP932) text; with --encoding utf-8 it is shown as UTF-8.
# The key itself is there: a missing start key would be an error of its own.
printf 'REGEDIT4\r\n[HKEY_表示\\x]\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\x]\r\n' | iconv -f UTF-8 -t CP932 >"$work/japanese.reg"
check "problem text in UTF-8" 0 '[Software.AddReg]\r\n0x0,"x"\r\n' 'unknown root key in "HKEY_表示\x"' -- \
  export --encoding utf-8 --from "$work/japanese.reg" 'HKLM\SOFTWARE\x'
if [ "$failures" -ne 0 ]; then
  echo "$failures case(s) failed"
  exit 1
fi
