#!/bin/sh
# Builds the Windows release and packs it: build/release/Vindra-2.94-win64.zip with
# Vindra.exe, vindra-cli.exe, README.md and lang/English.rsl.
# Usage: tools/make-release.sh        (BUILD_DIR overrides build/windows)
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh all
build=${BUILD_DIR:-build/windows}
version=$(sed -n 's/^project(Vindra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "make-release: no 'project(Vindra VERSION ...)' line in CMakeLists.txt" >&2; exit 1; }
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" -j2 --target Vindra vindra-cli
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
name="Vindra-$version-win64"
mkdir -p "$stage/$name/lang"
cp "$build/app/Vindra.exe" "$build/cli/vindra-cli.exe" "$stage/$name/"
cp README.md "$stage/$name/README.md"
cp lang/English.rsl "$stage/$name/lang/English.rsl"
x86_64-w64-mingw32-strip "$stage/$name/Vindra.exe" "$stage/$name/vindra-cli.exe"
zip=build/release/$name.zip
mkdir -p build/release
rm -f "$zip"
(cd "$stage" && zip -qr -X - "$name") >"$zip"
unzip -l "$zip"
echo "$zip"
