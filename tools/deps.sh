#!/bin/sh
# Installs what building, running and testing need; silent and quick when all is present.
set -e
pkgs="make cmake ninja-build python3 fp-utils libchm-bin chromium g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine32:i386 wine64 fonts-wine xvfb x11-utils imagemagick nsis zip clang libfuzzer-14-dev locales libz-mingw-w64-dev zlib1g-dev wixl icoutils"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
# A mirror caught mid-sync fails one list; apt keeps the older copy, which is usually enough.
$SUDO apt-get update -qq || echo "Some package lists could not be read; installing from the rest." >&2
install_packages() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
install_packages $missing && exit 0
# 32-bit Wine needs i386 libraries at the versions of the machine's own; where the archive
# cannot give them right now, the tests run on the 64-bit build (tools/arch.sh).
rest=$(printf '%s\n' $missing | grep -vx 'wine32:i386' | tr '\n' ' ')
[ "$rest" != "$(printf '%s\n' $missing | tr '\n' ' ')" ] || exit 1
echo "32-bit Wine cannot be installed now; the tests run on the 64-bit build." >&2
install_packages $rest
