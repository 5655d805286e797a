#!/bin/sh
# Writes the icon reader's seeds into $1: small well-formed files of every format we read.
set -e
tmp=$(mktemp -d)
python3 "$(dirname "$0")/../tools/make_icon_corpus.py" "$tmp" --seeds
cp "$tmp"/good/* "$1"/
rm -rf "$tmp"
