#!/bin/sh
# Builds and runs the benchmark (extraction run, folder tree) under the project's Wine prefix;
# prints its figures.
set -e
build=${1:-build}
run=$(tools/rundir.sh "$build")
ninja -C "$run" --quiet Bench
tools/winenv.sh "$build" sh -c '
  cd "$1/bench"
  "$WINE" ./Bench.exe >bench.txt 2>&1 || status=$?
  cat bench.txt
  exit ${status:-0}
' bench "$(cd "$run" && pwd)"
