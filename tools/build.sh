#!/bin/sh
# Configures (once) and builds both programs, each with every test program: build/ is the
# 32-bit tree (build/Mirovane.exe, the downloads in build/dist/), build/x64 the 64-bit one.
# The tests run on the tree whose programs run here (tools/rundir.sh).
# Usage: build.sh [BUILD_DIR [TARGET]]; with a TARGET only that target of each tree.
set -e
build=${1:-build}
target=${2:-}
# ccache, where present, lets a second checkout of the same sources build from the cache.
launcher=""
if command -v ccache >/dev/null 2>&1; then
  launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  export CCACHE_BASEDIR="$PWD"
fi
configure() { # dir arch
  [ -f "$1/build.ninja" ] && return 0
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release $launcher \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$2.cmake" -DMIROVANE_TESTS=ON >/dev/null
}
configure "$build" i686
configure "$build/x64" x86_64
# The 64-bit tree first: the 32-bit tree's installer packs its program.
ninja -C "$build/x64" --quiet $target
ninja -C "$build" --quiet $target
