#!/bin/sh
# Installs the Debian 12 packages the builds and tests need (as root, only when
# something is missing). Usage: tools/install-deps.sh [native|all]
set -eu
want=${1:-all}
pkgs="cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev libicu-dev libhivex-dev pkg-config locales python3 dpkg-dev"
if [ "$want" = all ]; then
  pkgs="$pkgs g++-mingw-w64-x86-64 wine64 xvfb xauth xdotool xclip imagemagick fonts-ipafont-gothic \
fonts-ipafont-mincho clang-14 libclang-rt-14-dev valgrind zip unzip"
fi
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "installing:$missing" >&2
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing >/dev/null
fi
# Wine needs the glibc Japanese locale to hand CP932 file names to programs intact.
if [ "$want" = all ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf-\?8$'; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  $SUDO localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8 || true
fi
