#!/bin/sh
# vindra-cli convert of the smoke-test file must give the golden text byte for
# byte: the golden file stays what the native conversion gives, and the
# Windows builds convert as the native one does.
# Usage: convert_golden_test.sh VINDRA-CLI FILE.reg GOLDEN [WINE-RUN]
# (with WINE-RUN, vindra-cli.exe runs under Wine and reads FILE.reg via Z:)
set -eu
cli=$1 reg=$2 golden=$3 run=${4:-}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
if [ -n "$run" ]; then
  "$run" "$cli" convert "Z:$reg" >"$out"
else
  "$cli" convert "$reg" >"$out"
fi
if ! cmp "$out" "$golden"; then
  diff "$golden" "$out" | iconv -f CP932 -t UTF-8 -c | head -40
  exit 1
fi
echo "convert_golden_test: $(wc -l <"$out") lines as in $(basename "$golden")"
