#!/bin/sh
# Builds vindra-cli natively and converts the bundled example registry file,
# printing the INF text (re-encoded to UTF-8 for the terminal).
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target vindra-cli >/dev/null
SystemRoot='C:\WINDOWS' ProgramFiles='C:\Program Files' SystemDrive='C:' \
  build/native/cli/vindra-cli convert --encoding utf-8 examples/example.reg
