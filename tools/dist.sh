#!/bin/sh
# Builds the portable zip and the installer of the 32-bit program and puts them into dist/.
set -e
build=${1:-build}
tools/build.sh "$build" dist
version=$(head -n 1 VERSION)
mkdir -p dist
for f in "Mirovane-$version.zip" "Mirovane-$version-setup.exe"; do
  cp "$build/dist/$f" dist/
  echo "dist/$f: $(wc -c < "dist/$f") bytes"
done
