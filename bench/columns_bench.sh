#!/bin/bash
# Column files on a large site: generates RECORDS 150-byte records in FILES yearly data files
# (default 50 million in 5: 7.5 GB, written by vorlex_site), writes their column files with
# `seriak -C` (timed; then again, when they are current), reports their size against the bytes
# of the fields they hold, each field's encoding and scan costs on the first file (column_scan),
# the bare read() floor of the data files warm and cold, the cold read of the columns request
# (a) needs, and the record path's time for the requests (a), (b), (c) and (e) warm.
#   bench/columns_bench.sh [build-dir] [records] [files (at most 5)] [runs]
# Use a release build. SITE=dir keeps the site there (generated when dados/ is missing) instead of
# a scratch folder deleted at the end. Cold reads: the files' pages are dropped from the page
# cache with posix_fadvise(DONTNEED) (vorlex_site evict; fincore, where present, shows what
# stayed); COLD=drop drops the whole machine's cache (echo 3 > /proc/sys/vm/drop_caches) instead,
# where the sandbox allows it.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
records=${2:-50000000}
files=${3:-5}
runs=${4:-3}
if [[ -n ${SITE:-} ]]; then
  site=$(mkdir -p "$SITE" && cd "$SITE" && pwd)
else
  site=$(mktemp -d "${TMPDIR:-/tmp}/columns_bench.XXXXXX")
  trap 'rm -rf "$site"' EXIT
fi
echo "site $site; $(df -h --output=avail "$site" | tail -1 | tr -d ' ') free before generating"

now() { date +%s.%N; }
elapsed() { echo "$(now) - $1" | bc -l; }
if [[ ! -d $site/dados ]]; then
  start=$(now)
  "$build/bench/vorlex_site" generate "$site" "$records" "$files"
  printf 'generated %s records in %d files: %.1f s\n' "$records" "$files" "$(elapsed "$start")"
fi
cd "$site"
mapfile -t data < <(ls dados/DO[0-9][0-9].DBF | grep -v DO01)
# The small extra file of query (d) is left out of every figure.

# Best of $runs runs: "wall cpu" in seconds (cpu = user + system).
best() {
  for _ in $(seq "$runs"); do
    { TIMEFORMAT='%3R %3U %3S'; time "$@" > /dev/null 2>&1; } 2>&1 | tail -1
  done | awk '{cpu = $2 + $3} NR == 1 || $1 < w {w = $1} NR == 1 || cpu < c {c = cpu}
              END {printf "%.3f %.3f", w, c}'
}

cold() {
  if [[ ${COLD:-} == drop ]]; then
    sync && echo 3 > /proc/sys/vm/drop_caches
  else
    "$build/bench/vorlex_site" evict "$@"
  fi
}

resident() {  # pages of the files still in the page cache
  if command -v fincore > /dev/null; then
    fincore -b "$@" | awk 'NR > 1 {r += $1; s += $3} END {printf "%.0f of %.0f bytes cached", r, s}'
  else
    echo "fincore missing: residency not checked"
  fi
}

# "wall cpu" of one run, in seconds.
timed() {
  { TIMEFORMAT='%3R %3U %3S'; time "$@" > /dev/null 2>&1; } 2>&1 | tail -1 |
    awk '{printf "%.3f %.3f", $1, $2 + $3}'
}
rm -f dados/*.COL
read -r wall cpu <<< "$(timed "$build/seriak/seriak" -C 'dados/DO??.DBF')"
printf 'column files written: %.2f s wall %.2f s cpu (data page-cached as generated)\n' "$wall" "$cpu"
"$build/seriak/seriak" -C 'dados/DO??.DBF'
rm -f dados/*.COL
cold dados/DO??.DBF
read -r wall cpu <<< "$(timed "$build/seriak/seriak" -C 'dados/DO??.DBF')"
printf 'column files written from cold data files: %.2f s wall %.2f s cpu\n' "$wall" "$cpu"
columns=("${data[@]/%.DBF/.COL}")
column_bytes=$(stat -c %s "${columns[@]}" | paste -sd+ | bc)
data_bytes=$(stat -c %s "${data[@]}" | paste -sd+ | bc)
# The generator's records are a deletion mark and 149 bytes of fields.
field_bytes=$(echo "$records / $files * $files * 149" | bc)
printf 'data files %d bytes; fields held %d bytes; column files %d bytes: %.3fx the fields\n' \
  "$data_bytes" "$field_bytes" "$column_bytes" "$(echo "$column_bytes / $field_bytes" | bc -l)"

echo "encodings and one-field scans on ${data[0]} (best of $runs, page-cached):"
"$build/bench/column_scan" . "${data[0]}" "$runs"

cat "${data[@]}" > /dev/null
read -r floor floor_cpu <<< "$(best "$build/bench/vorlex_site" floor "${data[@]}")"
read -r cat_time _ <<< "$(best cat "${data[@]}")"
printf 'warm: floor %.3f s wall %.3f s cpu (%.2f GB/s); cat %.3f s\n' "$floor" "$floor_cpu" \
  "$(echo "$data_bytes / $floor / 1000000000" | bc -l)" "$cat_time"

# Best of $runs cold runs of a command over files: each run starts with the files evicted.
best_cold() {
  local files=$1
  shift
  for _ in $(seq "$runs"); do
    # shellcheck disable=SC2086
    cold $files
    timed "$@"
    echo
  done | awk 'NR == 1 || $1 < w {w = $1; c = $2} END {printf "%.3f %.3f", w, c}'
}
cold "${data[@]}"
echo "after eviction: $(resident "${data[@]}")"
read -r cold_floor cold_cpu <<< "$(best_cold "${data[*]}" "$build/bench/vorlex_site" floor "${data[@]}")"
printf 'cold: floor %.3f s wall %.3f s cpu (%.2f GB/s)\n' "$cold_floor" "$cold_cpu" \
  "$(echo "$data_bytes / $cold_floor / 1000000000" | bc -l)"

# An upper bound of what request (a) reads cold: the column files whole (its three fields are
# about a fifth of them).
read -r cold_columns _ <<< "$(best_cold "${columns[*]}" cat "${columns[@]}")"
printf 'cold: column files read whole %.3f s, %.3fx the cold floor\n' "$cold_columns" \
  "$(echo "$cold_columns / $cold_floor" | bc -l)"

cat "${data[@]}" > /dev/null
run_case() {  # name, query file
  cp "$2" query.txt
  local took cpu
  read -r took cpu <<< "$(best env -i "$build/vorlexcgi/vorlexcgi" obitos)"
  printf '%-40s %8.3f s wall %8.3f s cpu  %5.2fx the warm floor\n' "$1" "$took" "$cpu" \
    "$(echo "$took / $floor" | bc -l)"
}
echo "record path, warm (load $(cut -d' ' -f1 /proc/loadavg)):"
run_case "(a) municipality x sex, age selection" query_a.txt
run_case "(b) 5 municipalities via index" query_b.txt
run_case "(c) sum and rate, no column" query_c.txt
run_case "(e) three selections" query_e.txt
df -h --output=avail "$site" | tail -1 | sed 's/^ */free after: /'
