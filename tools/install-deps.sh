#!/bin/sh
# Installs the Debian 12 packages the builds and tests need (as root, only when
# something is missing). Usage: tools/install-deps.sh [native|all]
set -eu
want=${1:-all}
pkgs="cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev libicu-dev libhivex-dev pkg-config locales python3 dpkg-dev"
if [ "$want" = all ]; then
  # g++-mingw-w64-i686 and wine32:i386 build and run the 32-bit Windows build;
  # with wine32 installed, the wine64 loader starts 32-bit programs too.
  pkgs="$pkgs g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine32:i386 xvfb xauth xdotool xclip imagemagick \
fonts-ipafont-gothic fonts-ipafont-mincho clang-14 libclang-rt-14-dev valgrind zip unzip ccache"
fi
SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
# wine32 is an i386 package: dpkg must know that architecture before the
# package lists are fetched.
if [ "$want" = all ] && ! { [ "$(dpkg --print-architecture)" = i386 ] || dpkg --print-foreign-architectures | grep -qx i386; }; then
  echo "adding the i386 architecture (for wine32)" >&2
  $SUDO dpkg --add-architecture i386
fi
if [ -n "$missing" ]; then
  echo "installing:$missing" >&2
  $SUDO apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing >/dev/null
fi
# Wine needs the glibc Japanese locale to hand CP932 file names to programs intact.
if [ "$want" = all ] && ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf-\?8$'; then
  $SUDO localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8 || true
fi
