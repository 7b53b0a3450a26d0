#!/bin/bash
# Times vorlexcgi (file mode) on a generated site and compares it with the least any tabulator
# must do (one byte touched per record, 1 MiB reads) and with cat of the same files.
#   bench/vorlex_bench.sh [build-dir] [records] [runs]
# Request (d) runs twice, on the classic page and on the modern one (definition option OHTML5).
# The site is generated in a scratch folder and deleted afterwards (about 1.5 GB at 10 million).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
records=${2:-10000000}
runs=${3:-3}
site=$(mktemp -d "${TMPDIR:-/tmp}/vorlex_bench.XXXXXX")
trap 'rm -rf "$site"' EXIT

"$build/bench/vorlex_site" generate "$site" "$records" 5
data=("$site"/dados/DO9?.DBF "$site"/dados/DO00.DBF)
cat "${data[@]}" > /dev/null  # page-cached, as a busy server has them

now() { date +%s.%N; }
# Best of $runs runs: "wall cpu" in seconds, to the millisecond (cpu = user + system; on a loaded
# machine the wall time also holds the time spent waiting for a core).
best() {
  for _ in $(seq "$runs"); do
    { TIMEFORMAT='%3R %3U %3S'; time "$@" > /dev/null 2>&1; } 2>&1 | tail -1
  done | awk '{cpu = $2 + $3} NR == 1 || $1 < w {w = $1} NR == 1 || cpu < c {c = cpu}
              END {printf "%.3f %.3f", w, c}'
}

read -r floor floor_cpu <<< "$(best "$build/bench/vorlex_site" floor "${data[@]}")"
read -r cat_time cat_cpu <<< "$(best cat "${data[@]}")"
printf 'records %s; floor %.3f s wall %.3f s cpu; cat %.3f s wall %.3f s cpu; load %s\n' \
  "$records" "$floor" "$floor_cpu" "$cat_time" "$cat_cpu" "$(cut -d' ' -f1 /proc/loadavg)"

run_case() {  # name, query file, records read[, definition]
  local name=$1 query=$2 read=$3 definition=${4:-obitos}
  cp "$site/$query" "$site/query.txt"
  local took cpu
  read -r took cpu <<< "$(cd "$site" && best env -i "$build/vorlexcgi/vorlexcgi" "$definition")"
  printf '%-34s %7.3f s wall %7.3f s cpu %11.0f rec/s  floor %5.2fx wall %5.2fx cpu  cat %5.2fx\n' \
    "$name" "$took" "$cpu" "$(echo "$read / $took" | bc -l)" "$(echo "$took / $floor" | bc -l)" \
    "$(echo "$cpu / ($floor_cpu + 0.0001)" | bc -l)" "$(echo "$took / $cat_time" | bc -l)"
}
run_case "(a) municipality x sex, age sel." query_a.txt "$records"
run_case "(a) with OSIGILO=5, OINSTAVEL=20" query_a.txt "$records" obitos_sigilo
run_case "(b) 5 municipalities via index" query_b.txt "$records"
run_case "(c) sum and rate, no column" query_c.txt "$records"
run_case "(d) one small file, 5600 rows" query_d.txt 2000
run_case "(d) the same on the modern page" query_d.txt 2000 obitos5
# The modern page against the classic one on (d), to the microsecond: the runs alternate, so
# that both see the same machine; median and least of 200 runs each, and the page's size.
cp "$site/query_d.txt" "$site/query.txt"
python3 - "$site" "$build/vorlexcgi/vorlexcgi" <<'PYTHON'
import statistics, subprocess, sys, time
site, program = sys.argv[1], sys.argv[2]
times, sizes = {"obitos": [], "obitos5": []}, {}
for _ in range(200):
    for definition in times:
        start = time.perf_counter()
        out = subprocess.run([program, definition], cwd=site, env={}, capture_output=True).stdout
        times[definition].append((time.perf_counter() - start) * 1000)
        sizes[definition] = len(out)
for definition, label in (("obitos", "classic"), ("obitos5", "modern")):
    t = times[definition]
    print("(d) %-7s page: median %.3f ms, least %.3f ms, %d bytes"
          % (label, statistics.median(t), min(t), sizes[definition]))
print("(d) modern - classic: median %+.3f ms" % (statistics.median(times["obitos5"]) -
                                                   statistics.median(times["obitos"])))
PYTHON
(cd "$site" && cp query_a.txt query.txt && env -i "$build/vorlexcgi/vorlexcgi" obitos | head -c 600; echo)

if command -v ogrinfo > /dev/null; then
  start=$(now)
  for f in "${data[@]}"; do
    ogrinfo -q -dialect SQLite -sql "SELECT CODMUNRES, SEXO, COUNT(*) FROM $(basename "$f" .DBF) \
      WHERE IDADE BETWEEN 15 AND 69 GROUP BY CODMUNRES, SEXO" "$f" > /dev/null
  done
  end=$(now)
  printf 'peer reference (ogrinfo GROUP BY) on (a): %.3f s\n' "$(echo "$end - $start" | bc -l)"
fi
