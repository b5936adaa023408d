#!/bin/sh
# Builds the Debian package of vindra-cli with cpack, unpacks it with
# dpkg-deb -x and runs the unpacked program, manual page and completion.
# Usage: package_test.sh BUILD_DIR CPACK VERSION SAMPLE.reg
# Exit status 77 (skipped) when the Debian tools are missing.
set -eu
build=$1 cpack=$2 version=$3 sample=$4
for tool in dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is missing (Debian package dpkg-dev; tools/install-deps.sh installs it)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb="$work/package/vindra-cli_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/package")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vindra-cli ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "architecture $(field Architecture)"
# dpkg-shlibdeps found the libraries the program links.
case "$(field Depends)" in
  *libc6*libicu*libstdc++*) ;;
  *) fail "dependencies: $(field Depends)" ;;
esac

dpkg-deb -x "$deb" "$work/root"
program="$work/root/usr/bin/vindra-cli"
[ -x "$program" ] || fail "usr/bin/vindra-cli missing"
[ "$("$program" --version)" = "vindra-cli $version" ] || fail "--version: $("$program" --version)"
# A conversion through a pipe, as the installed program would run it.
out=$("$program" convert --plugin Sample - <"$sample" | tr -d '\r' | sed -n '2p;6p')
[ "$out" = "[Version]
Name=\"Sample\"" ] || fail "conversion gave: $out"

manual="$work/root/usr/share/man/man1/vindra-cli.1.gz"
[ -f "$manual" ] || fail "manual page missing"
gzip -dc "$manual" | grep -q '^\.SH EXIT STATUS' || fail "manual page without EXIT STATUS"
completion="$work/root/usr/share/bash-completion/completions/vindra-cli"
[ -f "$completion" ] || fail "bash completion missing"
if command -v bash >/dev/null 2>&1; then
  words=$(bash -c '. "$1"; COMP_WORDS=(vindra-cli convert --p); COMP_CWORD=2; _vindra_cli; echo "${COMPREPLY[*]}"' _ "$completion")
  [ "$words" = --plugin ] || fail "completion of 'convert --p': $words"
fi
echo "package $(basename "$deb"): $(field Depends)"
