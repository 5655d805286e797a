#!/bin/sh
# Builds the native fuzz targets into build/fuzz and runs each for a bounded number of
# executions (FUZZ_RUNS, default 2000000) or time (FUZZ_SECONDS, default 600), whichever ends
# first; prints per target its executions and findings. FUZZ_TARGETS="iconres mask" runs only
# those targets. Seeds: fuzz/seeds/<name>/ when present,
# and whatever fuzz/<name>_seeds.sh DIR writes. Findings are kept in build/fuzz/findings/<name>/.
set -e
runs=${FUZZ_RUNS:-2000000}
seconds=${FUZZ_SECONDS:-600}
out=build/fuzz
[ -f "$out/build.ninja" ] || cmake -S fuzz -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C "$out" --quiet
# A small quarantine keeps use-after-free detection while sparing fresh pages on every run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
status=0
for exe in "$out"/*_fuzz; do
  name=$(basename "$exe" _fuzz)
  case " ${FUZZ_TARGETS:-$name} " in *" $name "*) ;; *) continue ;; esac
  corpus="$out/corpus/$name" findings="$out/findings/$name"
  mkdir -p "$corpus" "$findings"
  [ -d "fuzz/seeds/$name" ] && cp "fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null || true
  [ -x "fuzz/${name}_seeds.sh" ] && "fuzz/${name}_seeds.sh" "$corpus"
  log="$out/$name.log"
  "$exe" "$corpus" -runs="$runs" -max_total_time="$seconds" -max_len=16384 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=1
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  found=$(find "$findings" -type f | wc -l)
  echo "$name: ${executions:-0} executions, $found findings"
  [ "$found" -eq 0 ] || { status=1; tail -30 "$log"; }
done
exit $status
