#!/bin/sh
# tools/collation/measure.sh [--quick]: measures the name order of
# CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE) on code page 932 under
# Wine and writes the two files made from it:
#  - tests/platform/data/windows_order.txt, the orders the collation tests
#    check (every CP932 character alone, each character after every kana, a
#    reference set after every other character, common words), made compact
#    by compact.py;
#  - platform/windows_sort_weights.inc, the weights of each character that the
#    POSIX collation builds its sort keys from, made by make_weight_table.py
#    from the sort keys of LCMapStringA.
# The programs are built with MinGW-w64 into build/collation-win and run in a
# Wine prefix there. --quick leaves out the orders after non-kana characters.
set -eu
cd "$(dirname "$0")/../.."
out=build/collation-win
mkdir -p "$out"
export WINEPREFIX="${WINEPREFIX:-$PWD/$out/wineprefix}"
for p in measure_windows_order dump_sort_keys; do
  x86_64-w64-mingw32-g++ -std=c++20 -O2 -static -finput-charset=UTF-8 -fexec-charset=CP932 \
    -o "$out/$p.exe" "tools/collation/$p.cpp"
done
tools/wine-run "$out/measure_windows_order.exe" "$@" >"$out/windows-order.txt"
python3 tools/collation/compact.py "$out/windows-order.txt" tests/platform/data/windows_order.txt
python3 tools/collation/make_weight_table.py --names tests/platform/data/windows_order.txt >"$out/key-names.txt"
tools/wine-run "$out/dump_sort_keys.exe" <"$out/key-names.txt" >"$out/keys.txt"
python3 tools/collation/make_weight_table.py "$out/keys.txt" platform/windows_sort_weights.inc
