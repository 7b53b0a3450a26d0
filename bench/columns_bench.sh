#!/bin/bash
# Column files on a large site: generates RECORDS 150-byte records in FILES yearly data files
# (default 50 million in 5: 7.5 GB, written by vorlex_site), writes their column files with
# `seriak -C` (timed; then again, when they are current), reports their size against the bytes
# of the fields they hold, each field's encoding and scan costs on the first file (column_scan),
# the bare read() floor of the data files warm and cold, the cold read of the column files, and
# the requests (a), (c), (e) and (b) through vorlexcgi, warm and cold, from the records, from the
# column files on one core and from them over every core.
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

# The requests through vorlexcgi, warm (the files page-cached) and cold (every file of the site
# evicted before each run), on three paths: the records (the column files moved aside), the
# column files on one core (VORLEX_THREADS=1) and the column files over every core
# (VORLEX_THREADS=$cores, which a site setting allows whatever the load: on a shared machine the
# load average would often leave them off). Each figure is the best of $runs runs.
cores=$(nproc)
run_request() {  # threads (0: the records), query file; prints "warm cold"
  local threads=$1 query=$2
  cp "$query" query.txt
  local setting=()
  [[ $threads != 0 ]] && setting=(VORLEX_THREADS="$threads")
  if [[ $threads == 0 ]]; then mkdir -p aside && mv dados/*.COL aside/; fi
  cat "${data[@]}" > /dev/null
  [[ $threads != 0 ]] && cat dados/*.COL > /dev/null
  local warm cold everything=(dados/*)
  read -r warm _ <<< "$(best env -i "${setting[@]}" "$build/vorlexcgi/vorlexcgi" obitos)"
  read -r cold _ <<< "$(best_cold "${everything[*]}" env -i "${setting[@]}" \
    "$build/vorlexcgi/vorlexcgi" obitos)"
  if [[ $threads == 0 ]]; then mv aside/*.COL dados/ && rmdir aside; fi
  echo "$warm $cold"
}
printf 'requests (load %s before; %d cores): seconds, and times the floor (warm %.3f s, cold %.3f s)\n' \
  "$(cut -d' ' -f1 /proc/loadavg)" "$cores" "$floor" "$cold_floor"
printf '%-36s %-16s %8s %7s %8s %7s\n' request path warm floor cold floor
for entry in "a:(a) municipality x sex, age sel." "c:(c) sum and rate, no column" \
             "e:(e) three selections" "b:(b) 5 municipalities via index"; do
  query=query_${entry%%:*}.txt
  name=${entry#*:}
  for threads in 0 1 "$cores"; do
    case $threads in
      0) path=records ;;
      1) path="columns, 1 core" ;;
      *) path="columns, $threads thr." ;;
    esac
    read -r warm cold <<< "$(run_request "$threads" "$query")"
    printf '%-36s %-16s %8.3f %6.2fx %8.3f %6.2fx\n' "$name" "$path" "$warm" \
      "$(echo "$warm / $floor" | bc -l)" "$cold" "$(echo "$cold / $cold_floor" | bc -l)"
    name=""
  done
done
echo "load after: $(cut -d' ' -f1 /proc/loadavg)"
df -h --output=avail "$site" | tail -1 | sed 's/^ */free after: /'
