#!/bin/sh
# Configures (once) and builds. build/ always holds the 32-bit program build/Mirovane.exe;
# when this machine cannot run 32-bit code, build/x64 holds a 64-bit build that tests and runs.
# Usage: build.sh [BUILD_DIR [TARGET]]; with a TARGET only that target of the 32-bit tree.
set -e
build=${1:-build}
target=${2:-}
runarch=$(tools/arch.sh)
# ccache, where present, lets a second checkout of the same sources build from the cache.
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
configure() { # dir arch tests
  [ -f "$1/build.ninja" ] && return 0
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release $launcher \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$2.cmake" -DMIROVANE_TESTS="$3" >/dev/null
}
if [ "$runarch" = i686 ]; then
  configure "$build" i686 ON
  ninja -C "$build" --quiet $target
else
  configure "$build" i686 OFF
  ninja -C "$build" --quiet $target
  [ -n "$target" ] && exit 0
  configure "$build/x64" x86_64 ON
  ninja -C "$build/x64" --quiet
fi
