#!/bin/sh
# The bitmap verdict's seeds are the icon reader's: files whose images it judges in turn.
exec "$(dirname "$0")/iconres_seeds.sh" "$1"
