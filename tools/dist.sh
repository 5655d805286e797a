#!/bin/sh
# Builds the downloads and puts them into dist/ with their SHA256SUMS: the portable zips of the
# 32-bit and the 64-bit program and the one installer. Then, from a clean checkout, builds the
# same commit again in a fresh clone (build/repro/) and checks that every byte is the same;
# DIST_CHECK=0 leaves that out.
# Usage: dist.sh [BUILD_DIR]
set -e
build=${1:-build}
tools/build.sh "$build" dist
version=$(head -n 1 VERSION)
files="Mirovane-$version-x86.zip Mirovane-$version-x64.zip Mirovane-$version-setup.exe"
mkdir -p dist
cp "$build/dist/Mirovane-$version-x86.zip" "$build/x64/dist/Mirovane-$version-x64.zip" \
   "$build/dist/Mirovane-$version-setup.exe" dist/
(cd dist && sha256sum $files > SHA256SUMS)
for f in $files; do echo "dist/$f: $(wc -c < "dist/$f") bytes"; done
[ "${DIST_CHECK:-1}" = 0 ] && exit 0

if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ] || ! git rev-parse -q HEAD >/dev/null 2>&1; then
  echo "Not checked against a second build: the checkout has uncommitted changes."
  exit 0
fi
commit=$(git rev-parse HEAD)
repro="$build/repro"
rm -rf "$repro"
git clone -q --no-checkout . "$repro"
git -C "$repro" checkout -q "$commit"
echo "Building $commit again in $repro ..."
(cd "$repro" && DIST_CHECK=0 tools/dist.sh build >/dev/null)
if cmp -s dist/SHA256SUMS "$repro/dist/SHA256SUMS"; then
  echo "A second build from a fresh clone gave the same bytes:"
  cat dist/SHA256SUMS
  rm -rf "$repro"
else
  echo "A second build from a fresh clone differs (kept in $repro):" >&2
  diff dist/SHA256SUMS "$repro/dist/SHA256SUMS" >&2 || true
  exit 1
fi
