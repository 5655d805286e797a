#!/bin/sh
# CTest's emulator: runs one Windows program under Wine. The output goes through a file
# so that Wine's own background processes never hold CTest's pipe open.
out=$(mktemp)
"${WINE:-/usr/lib/wine/wine64}" "$@" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
