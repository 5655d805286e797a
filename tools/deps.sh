#!/bin/sh
# Installs what building, running and testing need; silent and quick when all is present.
set -e
pkgs="make cmake ninja-build python3 fp-utils libchm-bin chromium g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine32:i386 wine64 fonts-wine xvfb x11-utils imagemagick nsis zip clang libfuzzer-14-dev locales"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
