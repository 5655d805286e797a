#!/bin/sh
# The command line's half of BENCH_PART=cli that runs from outside (tools/bench.sh calls it
# inside the project's Wine environment): "prepare" writes the folders into the prefix, natively,
# which is far quicker than through Wine; "measure" times Mirovane.com's /list and each /save kind
# over the copied system icon files against the bare reader loop (Bench.exe's figure) and, where
# icoutils is installed, a wrestool loop over the same files, and counts the wineserver's
# requests per icon over a folder holding only shell32.dll.
# Usage: bench_cli.sh prepare|measure RUN_DIR   (RUN_DIR holds Mirovane.com and bench/)
# BENCH_CLI_BEFORE=path also times that Mirovane.com (another build's) in the same rounds, for
# figures before and after a change within one run.
set -e
step=$1 run=$2
drive="$WINEPREFIX/drive_c"
work="$drive/clibench"
copies=${BENCH_COPIES:-12}
[ -n "${BENCH_QUICK:-}" ] && copies=2
# Wine starts a .com as a DOS program; the same file named .exe runs as what it is.
program="$work/MirovaneCli.exe" before="$work/MirovaneBefore.exe"
now() { date +%s.%N; }
seconds() { echo "$1 $2" | awk '{printf "%.2f", $2 - $1}'; }
ratio() { echo "$1 $2" | awk '{ if ($2 > 0) printf "%.2f", $1 / $2; else printf "-" }'; }

if [ "$step" = prepare ]; then
  rm -rf "$work"
  mkdir -p "$work/files" "$work/shell" "$work/tree" "$work/blank"
  cp "$run/Mirovane.com" "$program"
  [ -n "${BENCH_CLI_BEFORE:-}" ] && cp "$BENCH_CLI_BEFORE" "$before"
  sys="$drive/windows/system32"
  # The system folder's files that hold icons, as the program lists them, copied $copies times.
  "$WINE" "$program" /list 'C:\windows\system32' 2>/dev/null | cut -f1 | grep -i '^c:' | sort -u |
    sed 's/.*\\//' | tr -d '\r' >"$work/icon-files.txt"
  n=0
  while [ $n -lt "$copies" ]; do
    while read -r name; do cp "$sys/$name" "$work/files/c${n}_$name" 2>/dev/null || true; done <"$work/icon-files.txt"
    n=$((n + 1))
  done
  cp "$sys/shell32.dll" "$work/shell/"
  # 50,000 small text files in 200 folders, the one library in the last; 10,000 files of 4 KB
  # that hold no icon.
  python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
for d in range(200):
    folder = os.path.join(work, "tree", "d%03d" % d)
    os.makedirs(folder, exist_ok=True)
    for f in range(250):
        with open(os.path.join(folder, "note%03d.txt" % f), "w") as out:
            out.write("a small note, number %05d\n" % (d * 250 + f))
block = bytes((i * 7 + 3) % 251 for i in range(4096))
for d in range(40):
    folder = os.path.join(work, "blank", "d%02d" % d)
    os.makedirs(folder, exist_ok=True)
    for f in range(250):
        with open(os.path.join(folder, "data%03d.bin" % f), "wb") as out:
            out.write(block)
PY
  cp "$sys/shell32.dll" "$work/tree/d199/"
  echo "Prepared: $(ls "$work/files" | wc -l) system icon files ($(du -sm "$work/files" | cut -f1) MB), 50,000 small files, 10,000 of 4 KB"
  exit 0
fi

files='C:\clibench\files'
rounds=3; [ -n "${BENCH_QUICK:-}" ] && rounds=1
once() {  # the wall time of one run of the command
  rm -rf "$work/out"
  t0=$(now); "$@" >/dev/null 2>&1 || true; t1=$(now)
  seconds "$t0" "$t1"
}
lower() {  # the smaller of two times; the second alone when the first is empty
  if [ -z "$1" ]; then echo "$2"; else echo "$1 $2" | awk '{ print ($2 < $1) ? $2 : $1 }'; fi
}
best() {  # prints the best wall time of $rounds runs of the command
  b=""
  i=0
  while [ $i -lt $rounds ]; do b=$(lower "$b" "$(once "$@")"); i=$((i + 1)); done
  echo "$b"
}
reader=$(sed -n 's/^bare reader loop: \([0-9.]*\) s.*/\1/p' "$run/bench/bench.txt" 2>/dev/null | tail -1)
compare=""; [ -n "${BENCH_CLI_BEFORE:-}" ] && compare=1
echo "Command line over $(ls "$work/files" | wc -l) copied system icon files, one run (best of $rounds):"
echo "  program start (/?): $(best "$WINE" "$program" /? ) s; bare reader loop in-process: ${reader:-?} s"
peer=""
if command -v wrestool >/dev/null 2>&1; then
  peer=$(best sh -c 'mkdir -p "$1/out"; for f in "$1"/files/*; do wrestool -x -t14 -o "$1/out" "$f"; done' peer "$work")
  echo "  wrestool -x -t14, one process per file: $peer s"
else
  echo "  wrestool: not installed (icoutils), no peer figures"
fi
# title, then the command's arguments: this build's time, its ratios, and the earlier build's.
# The two builds take turns in each round: the machine's speed drifts within a run.
line() {
  title=$1; shift
  a="" b=""
  i=0
  while [ $i -lt $rounds ]; do
    a=$(lower "$a" "$(once "$WINE" "$program" "$@")")
    [ -n "$compare" ] && b=$(lower "$b" "$(once "$WINE" "$before" "$@")")
    i=$((i + 1))
  done
  printf '  %-24s %6s s' "$title" "$a"
  [ -n "$reader" ] && printf ', %s x the reader loop' "$(ratio "$a" "$reader")"
  [ -n "$peer" ] && printf ', %s x wrestool' "$(ratio "$a" "$peer")"
  if [ -n "$compare" ]; then
    printf '; before %s s' "$b"
    [ -n "$peer" ] && printf ', %s x wrestool' "$(ratio "$b" "$peer")"
    printf ', now %s x before' "$(ratio "$a" "$b")"
  fi
  echo
}
line "/list" /list "$files"
# pngall (every stored image as its own PNG) takes minutes over this folder: BENCH_CLI_KINDS
# names the kinds to time instead.
kinds="original ico32 ico16 bmp32 bmp16 png png:48 ico:16,32,48"
[ -n "${BENCH_QUICK:-}" ] && kinds="original ico32 png"
kinds=${BENCH_CLI_KINDS:-$kinds}
for kind in $kinds; do line "/save /kind $kind" /save "$files" 'C:\clibench\out' /kind "$kind"; done
# Every file examined (/all), through sub-folders: Bench.exe's lines give the platform's walk and
# its open-and-read loop over the same trees.
line "/list 50,000 small" /list 'C:\clibench\tree' /sub /all
line "/list 10,000 of 4 KB" /list 'C:\clibench\blank' /sub /all

# Requests to the wineserver, from its own trace of a fresh server: request lines, not replies.
requests() {
  wineserver -k 2>/dev/null || true
  WINEDEBUG=+server "$WINE" "$@" >"$work/said.txt" 2>"$work/trace.txt" || true
  wineserver -w 2>/dev/null || true
  grep -E '^[0-9a-f]{4,8}: [a-z_]+\(' "$work/trace.txt" | grep -vc ') = ' || true
}
icons=$("$WINE" "$program" /list 'C:\clibench\shell' 2>/dev/null | grep -c 'shell32.dll	' || true)
per() { echo "$1 $2 $icons" | awk '{ if ($3 > 0) printf "%.1f", ($1 - $2) / $3; else printf "-" }'; }
counts() {  # program title
  base=$(requests "$1" /?)
  listed=$(requests "$1" /list 'C:\clibench\shell')
  rm -rf "$work/out"
  saved=$(requests "$1" /save 'C:\clibench\shell' 'C:\clibench\out' /kind original)
  echo "Wineserver requests over shell32.dll ($icons icons)$2: start $base; /list $listed, $(per "$listed" "$base") per icon above the start; /save /kind original $saved, $(per "$saved" "$base") per icon"
}
counts "$program" ""
[ -n "$compare" ] && counts "$before" ", before"
rm -f "$work/trace.txt"
wineserver -p 2>/dev/null || true
