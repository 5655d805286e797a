#!/bin/sh
# Builds and runs the benchmark (extraction run, folder tree) under the project's Wine prefix;
# prints its figures. BENCH_DPI=192 runs it at that display scale (the prefix is set back to
# 96 DPI afterwards). BENCH_PART=cli adds the command line's figures from outside the program
# (tools/bench_cli.sh: Mirovane.com against the reader loop and wrestool, wineserver requests).
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
  if [ "${BENCH_PART:-}" = cli ]; then
    sh "$2/tools/bench_cli.sh" prepare "$1"
    export BENCH_CLI_FILES="C:\\clibench\\files" BENCH_CLI_TREE="C:\\clibench\\tree" BENCH_CLI_BLANK="C:\\clibench\\blank"
  fi
  "$WINE" ./Bench.exe >bench.txt 2>&1 || status=$?
  if [ -n "${BENCH_DPI:-}" ]; then
    "$WINE" reg.exe add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
  fi
  cat bench.txt
  if [ "${BENCH_PART:-}" = cli ]; then sh "$2/tools/bench_cli.sh" measure "$1" || status=$?; fi
  exit ${status:-0}
' bench "$(cd "$run" && pwd)" "$(pwd)"
