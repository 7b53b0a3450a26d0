#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given number of seconds (default 60):
#   fuzz/run.sh 600
# The corpus of each target grows in build/fuzz/corpus/<target>/ from run to run; seeds come
# from the test fixtures (made at each run) and from fuzz/seeds/<target>/. A crash, a sanitizer
# report or a timeout stops the script with the target's log and leaves the input in
# build/fuzz/crashes/. FUZZ_TARGETS="request_fuzz periods_fuzz" runs only those; FUZZ_SEED=N
# makes a run repeatable (with the same starting corpus, a shorter run tries a prefix of the
# inputs of a longer one).
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${FUZZ_BUILD:-$root/build/fuzz}")  # the targets change directory

CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j 2 >/dev/null
rm -rf "$build/seeds"
"$build/make_seeds" "$root/tests/golden" "$build/seeds" >/dev/null
mkdir -p "$build/crashes" "$build/logs"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

seed=()
[[ -n ${FUZZ_SEED:-} ]] && seed=(-seed="$FUZZ_SEED")
targets=${FUZZ_TARGETS:-$(cd "$build" && ls -- *_fuzz)}
for name in $targets; do
  corpus=("$build/corpus/$name")
  mkdir -p "${corpus[0]}"
  for extra in "$build/seeds/$name" "$root/fuzz/seeds/$name"; do
    [[ -d $extra ]] && corpus+=("$extra")
  done
  log="$build/logs/$name.log"
  if ! "$build/$name" "${seed[@]}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
      -dict="$root/fuzz/vorlex.dict" -artifact_prefix="$build/crashes/$name-" \
      -print_final_stats=1 "${corpus[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "FUZZ FAILURE: $name (log $log)"
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "$name: ${seconds}s, $runs runs, corpus $(ls "${corpus[0]}" | wc -l) inputs, no failure"
done
