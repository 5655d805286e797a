#!/bin/sh
# Runs every test program of the tree whose programs run here, under Wine (tools/winenv.sh).
# TEST_REPEAT=N runs each program up to N times, stopping at its first failure; TEST_LOAD=K keeps
# K busy processes beside the tests while they run, for what only a slow or busy machine shows.
# Usage: test.sh BUILD_DIR [ctest arguments...]
set -e
build=${1:-build}
[ $# -gt 0 ] && shift
repeat=""
case "${TEST_REPEAT:-}" in
  "" | 0 | 1) ;;
  *[!0-9]*) echo "TEST_REPEAT must be a number" >&2; exit 2 ;;
  *) repeat="--repeat until-fail:$TEST_REPEAT" ;;
esac
case "${TEST_LOAD:-0}" in
  *[!0-9]*) echo "TEST_LOAD must be a number" >&2; exit 2 ;;
esac
load=""
stop_load() { [ -n "$load" ] && kill $load 2>/dev/null || true; }
trap stop_load EXIT
trap 'exit 130' INT TERM
i=0
while [ "$i" -lt "${TEST_LOAD:-0}" ]; do
  sh -c 'while :; do :; done' &
  load="$load $!"
  i=$((i + 1))
done
dir=$(tools/rundir.sh "$build")
# shellcheck disable=SC2086 # $repeat is two words or none
tools/winenv.sh "$build" ctest --test-dir "$dir" --output-on-failure $repeat "$@"
