#!/bin/sh
# Builds and runs the benchmark (extraction run, folder tree) under the project's Wine prefix;
# prints its figures. BENCH_DPI=192 runs it at that display scale (the prefix is set back to
# 96 DPI afterwards).
set -e
build=${1:-build}
run=$(tools/rundir.sh "$build")
ninja -C "$run" --quiet Bench
tools/winenv.sh "$build" sh -c '
  cd "$1/bench"
  if [ -n "${BENCH_DPI:-}" ]; then
    "$WINE" reg.exe add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$BENCH_DPI" /f >/dev/null 2>&1
    echo "Display scale: $BENCH_DPI DPI"
  fi
  "$WINE" ./Bench.exe >bench.txt 2>&1 || status=$?
  if [ -n "${BENCH_DPI:-}" ]; then
    "$WINE" reg.exe add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  fi
  cat bench.txt
  exit ${status:-0}
' bench "$(cd "$run" && pwd)"
