#!/bin/sh
# A file name held by a link to nothing is taken (the file cannot be created) although it shows
# no attributes; a save must pass over it to the next free name instead of trying it forever.
# Usage: dangling_link.sh MIROVANE_EXE   (run with the Wine environment of tools/winenv.sh)
set -e
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/out"
cp "$WINEPREFIX/drive_c/windows/system32/cmd.exe" "$work/in/"
ln -s "$work/nothing-here" "$work/out/cmd0.ico"
win() { echo "Z:$1" | tr / '\\'; }
status=0
timeout 60 "$WINE" "$exe" /save "$(win "$work/in")" "$(win "$work/out")" /types .EXE >"$work/log" 2>&1 || status=$?
cat "$work/log"
[ "$status" -eq 0 ] || { echo "exit code $status"; exit 1; }
[ -s "$work/out/_cmd0.ico" ] || { echo "_cmd0.ico was not saved"; ls -la "$work/out"; exit 1; }
[ -L "$work/out/cmd0.ico" ] || { echo "the link was touched"; exit 1; }
echo "saved past the link"
