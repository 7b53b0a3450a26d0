#!/bin/bash
# Times request (d) of the benchmark site (one small file, a 5,600-row municipality table) as
# the page and as each answer for scripts (JSON-stat, tidy CSV), as a GET address, with the rows
# that hold values (as the form asks) and with all 5,600 rows shown (zeradas=exibirlz), so that
# each writer's cost can be read off against the page's. No csv/ directory: no copies and no
# log for any of them. Each figure is the processor time (user + system) of one request, the
# least and the median of many: on a machine shared with other work the least is the steadiest.
#   bench/answers_bench.sh [build-dir] [runs]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-200}
site=$(mktemp -d "${TMPDIR:-/tmp}/vorlex_answers.XXXXXX")
trap 'rm -rf "$site"' EXIT

"$build/bench/vorlex_site" generate "$site" 5000 5 > /dev/null
python3 - "$build/vorlexcgi/vorlexcgi" "$site" "$runs" <<'PYTHON'
import os, statistics, sys

program, site, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
os.chdir(site)
with open("query_d.txt", "rb") as f:
    query_d = f.read().strip()


def processor_times(fields):
    """Milliseconds of processor time of each of `runs` GET requests of the fields."""
    env = {b"REQUEST_METHOD": b"GET", b"QUERY_STRING": b"obitos&" + fields}
    times = []
    for _ in range(runs):
        pid = os.fork()
        if pid == 0:
            os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
            os.execve(program, [program], env)
        _, status, usage = os.wait4(pid, 0)
        assert status == 0, status
        times.append((usage.ru_utime + usage.ru_stime) * 1000)
    return min(times), statistics.median(times)


print("(d) one file of 2,000 records, municipality rows (5,600 categories), %d requests each"
      % runs)
for rows in (b"", b"&zeradas=exibirlz"):
    least = {}
    for format in (b"table", b"jsonstat", b"csv"):
        fields = query_d.replace(b"formato=table", b"formato=" + format) + rows
        least[format], median = processor_times(fields)
        print("  %-9s %-12s least %6.2f ms  median %6.2f ms  least vs page %+6.2f ms"
              % (format.decode(), "(all rows)" if rows else "", least[format], median,
                 least[format] - least[b"table"]))
PYTHON
