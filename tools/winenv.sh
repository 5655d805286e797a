#!/bin/sh
# Runs a command with the project's private Wine prefix (inside the build tree, never the
# user's own) on a private Xvfb display; WINENV_DISPLAY=keep uses $DISPLAY instead.
# The prefix is 32-bit where 32-bit programs run, else 64-bit; WINENV_ARCH=win64 asks for the
# 64-bit one (which runs 32-bit programs too where they run). Each is made once per build tree.
# Usage: winenv.sh BUILD_DIR command...   ($WINE is the loader to start programs with.)
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd); shift
arch=${WINENV_ARCH:-}
if [ -z "$arch" ]; then
  if [ "$("$root/tools/arch.sh")" = i686 ]; then arch=win32; else arch=win64; fi
fi
if [ "$arch" = win32 ]; then
  export WINE=/usr/lib/wine/wine WINEARCH=win32
else
  export WINE=/usr/lib/wine/wine64 WINEARCH=win64
fi
export WINELOADER=$WINE
export WINEPREFIX="$build/wineprefix-$WINEARCH"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "${WINENV_DISPLAY:-}" != keep ] || [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$n
  i=0; while [ ! -e /tmp/.X11-unix/X$n ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
fi

if [ ! -f "$WINEPREFIX/.ready" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot.exe -i >/dev/null 2>&1 || true
  wineserver -w
  # A fixed-size virtual desktop gives every run the same screen and window frames.
  "$WINE" reg.exe add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$WINE" reg.exe add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.ready"
fi
wineserver -p 2>/dev/null || true
"$@"
