#!/bin/bash
# Times request (d) of the benchmark site (one small file, a 5,600-row municipality table) as a
# posted request, with the "csv" directory present (CSV and spreadsheet copies, links, log) and
# absent (no copies), so that the cost of the copies can be read off.
#   bench/copies_bench.sh [build-dir] [runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-30}
site=$(mktemp -d "${TMPDIR:-/tmp}/vorlex_copies.XXXXXX")
trap 'rm -rf "$site"' EXIT

"$build/bench/vorlex_site" generate "$site" 5000 5 > /dev/null
body=$(tr -d '\r\n' < "$site/query_d.txt")

one_request() {
  printf '%s' "$body" | (cd "$site" && env -i CONTENT_LENGTH=${#body} REMOTE_ADDR=10.1.2.3 \
    QUERY_STRING=obitos HTTP_USER_AGENT=bench "$build/vorlexcgi/vorlexcgi" obitos > /dev/null)
}

# Median wall time of $runs requests, and their mean processor time (user + system), both in
# milliseconds; processor time is the steadier figure on a machine shared with other work.
measure() {
  local walls=() cpu
  TIMEFORMAT='%3U %3S'
  cpu=$( { time (for _ in $(seq "$runs"); do
      local start end
      start=$(date +%s%N); one_request; end=$(date +%s%N)
      echo $(( (end - start) / 1000 )) >> "$site/walls"
    done) ; } 2>&1 | awk '{ print $1 + $2 }')
  local wall
  wall=$(sort -n "$site/walls" | awk '{ t[NR] = $1 } END { printf "%.2f", t[int((NR + 1) / 2)] / 1000 }')
  rm -f "$site/walls"
  printf '%s %.2f' "$wall" "$(echo "$cpu * 1000 / $runs" | bc -l)"
}

one_request  # warm the page cache
rm -rf "$site/csv"
read -r off_wall off_cpu <<< "$(measure)"
mkdir "$site/csv"
read -r on_wall on_cpu <<< "$(measure)"
copies=$(find "$site/csv" -name 'A*.csv' | wc -l)
printf '(d) 5600 rows, %s requests each:\n' "$runs"
printf '  copies off: wall %s ms (median), cpu %s ms (mean)\n' "$off_wall" "$off_cpu"
printf '  copies on:  wall %s ms (median), cpu %s ms (mean), %s pairs written\n' "$on_wall" "$on_cpu" "$copies"
printf '  added: wall %+.1f %%, cpu %+.1f %%\n' "$(echo "($on_wall - $off_wall) * 100 / $off_wall" | bc -l)" \
  "$(echo "($on_cpu - $off_cpu) * 100 / $off_cpu" | bc -l)"
