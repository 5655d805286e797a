#!/bin/sh
# Prints the build tree whose programs run here.
build=${1:-build}
if [ "$(tools/arch.sh)" = i686 ]; then echo "$build"; else echo "$build/x64"; fi
