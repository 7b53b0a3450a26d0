#!/bin/bash
# Times seriak indexing one sorted data file of ten million 150-byte records (about 5,600
# municipality codes, written by vorlex_site) against the floor of any sequential reader: the
# same page-cached file read in 1 MiB blocks, one byte touched per record.
#   bench/seriak_bench.sh [build-dir] [records] [runs]
# Use a release build. The file (about 1.5 GB at ten million records) is written in a scratch
# folder and deleted when the script ends.
set -euo pipefail
for tool in /usr/bin/time bc; do
  command -v "$tool" > /dev/null || { echo "needs $tool (Debian packages time and bc)" >&2; exit 1; }
done
build=$(cd "${1:-build}" && pwd)
records=${2:-10000000}
runs=${3:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/seriak_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$build/bench/vorlex_site" generate "$work" "$records" 1
data=$work/dados/DO96.DBF
cat "$data" > /dev/null  # page-cached

# Best of $runs runs: "wall cpu" in seconds (cpu = user + system: on a loaded machine the
# wall time also holds the time spent waiting for a core, so the ratio is given for both).
best() {
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S" "$@" 2>&1 > /dev/null | tail -1
  done | awk '{cpu = $2 + $3} NR == 1 || $1 < w {w = $1} NR == 1 || cpu < c {c = cpu}
              END {printf "%.3f %.3f", w, c}'
}

read -r floor_wall floor_cpu <<< "$(best "$build/bench/vorlex_site" floor "$data")"
read -r seriak_wall seriak_cpu <<< "$(cd "$work" && best "$build/seriak/seriak" CODMUNRES dados/DO96)"
(cd "$work" && "$build/seriak/seriak" CODMUNRES dados/DO96 && echo "index lines: $(wc -l < dados/DO96.IXM)")

rate() { echo "$records / $1" | bc -l; }
printf 'records %s, load %s\n' "$records" "$(cut -d' ' -f1 /proc/loadavg)"
printf 'floor  %7.3f s wall %7.3f s cpu %13.0f records/s\n' "$floor_wall" "$floor_cpu" "$(rate "$floor_wall")"
printf 'seriak %7.3f s wall %7.3f s cpu %13.0f records/s  %.2fx the floor (wall), %.2fx (cpu)\n' \
  "$seriak_wall" "$seriak_cpu" "$(rate "$seriak_wall")" "$(echo "$seriak_wall / $floor_wall" | bc -l)" \
  "$(echo "$seriak_cpu / $floor_cpu" | bc -l)"
