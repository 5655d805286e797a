#!/bin/sh
# Writes the icon reader's seeds into $1: small well-formed files of every format we read, and
# the damaged variants the test corpus makes of them.
set -e
tmp=$(mktemp -d)
python3 "$(dirname "$0")/../tools/make_icon_corpus.py" "$tmp" >/dev/null
python3 "$(dirname "$0")/../tools/make_icon_corpus.py" "$tmp/seeds" --seeds
cp "$tmp"/seeds/good/* "$1"/
find "$tmp/damaged" -type f -size -16k -exec cp {} "$1"/ \;
rm -rf "$tmp"
