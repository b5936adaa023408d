#!/bin/sh
# Builds both Windows releases and packs them into build/release:
#   Vindra-<version>-win32.zip  32-bit, Windows XP SP3 through Windows 11
#   Vindra-<version>-win64.zip  64-bit Windows
# each with Vindra.exe, vindra-cli.exe, README.md and lang/English.rsl, and
# SHA256SUMS beside them (check with `sha256sum -c SHA256SUMS` in that folder).
# The 32-bit programs are checked first: every import must exist on Windows XP
# SP3 and the PE header must name NT 5.1 (tests/release/check_xp_imports.py).
# Usage: tools/make-release.sh   (BUILD_DIR_WIN32 / BUILD_DIR_WIN64 override
# build/windows32 and build/windows)
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh all
version=$(sed -n 's/^project(Vindra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "make-release: no 'project(Vindra VERSION ...)' line in CMakeLists.txt" >&2; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
out=build/release
mkdir -p "$out"

# build PRESET DIR: configures (when needed) and builds the two programs.
build() {
  [ -f "$2/CMakeCache.txt" ] || cmake --preset "$1" -B "$2" >/dev/null
  cmake --build "$2" -j2 --target Vindra vindra-cli
}

# pack NAME DIR STRIP: stages and zips the programs of DIR as NAME.zip.
pack() {
  mkdir -p "$stage/$1/lang"
  cp "$2/app/Vindra.exe" "$2/cli/vindra-cli.exe" "$stage/$1/"
  # The user's guide: README without the developers' set-up commands and links.
  sed -n '1{p;g;p};/^<!-- user-guide -->$/,/^<!-- \/user-guide -->$/{/^<!--/d;p}' README.md >"$stage/$1/README.md"
  grep -q '^## Downloads' "$stage/$1/README.md" || { echo "make-release.sh: no user's guide in README.md" >&2; exit 1; }
  cp lang/English.rsl "$stage/$1/lang/English.rsl"
  "$3" "$stage/$1/Vindra.exe" "$stage/$1/vindra-cli.exe"
  rm -f "$out/$1.zip"
  (cd "$stage" && zip -qr -X - "$1") >"$out/$1.zip"
  unzip -l "$out/$1.zip"
}

dir32=${BUILD_DIR_WIN32:-build/windows32}
dir64=${BUILD_DIR_WIN64:-build/windows}
build windows32 "$dir32"
python3 tests/release/check_xp_imports.py --objdump i686-w64-mingw32-objdump --lists tests/release/data/winapi \
  "$dir32/app/Vindra.exe" "$dir32/cli/vindra-cli.exe" ||
  { echo "make-release: the 32-bit programs would not start on Windows XP SP3" >&2; exit 1; }
build windows "$dir64"

pack "Vindra-$version-win32" "$dir32" i686-w64-mingw32-strip
pack "Vindra-$version-win64" "$dir64" x86_64-w64-mingw32-strip
(cd "$out" && sha256sum "Vindra-$version-win32.zip" "Vindra-$version-win64.zip" >SHA256SUMS)
cat "$out/SHA256SUMS"
echo "$out/Vindra-$version-win32.zip"
echo "$out/Vindra-$version-win64.zip"
