#!/bin/bash
# What the chart and the map below the modern result add to a page, each page timed against the
# same page without them (vorlexcgi in file mode, the runs alternating so that both see the same
# machine; median and least of the runs, and the page's size):
#   - the chart on request (d) of vorlex_bench.sh (5,600 municipalities, one small file), against
#     page_without_chart, the very program with a chart that writes nothing;
#   - the demo's map of 300 municipalities (demosite's Portuguese yearly definition), against the
#     same definition without its OMAPA lines, from the compact form seriak -M writes and from
#     the GeoJSON alone;
#   - a synthetic map of the 5,600 municipalities of vorlex_bench.sh's site, as detailed as an
#     official boundary file (synthetic_map: 50 points per edge, 1.1 million points), the same
#     way.
#   bench/pictures_bench.sh [build-dir] [runs]
# Scratch folders are deleted afterwards.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-100}
work=$(mktemp -d "${TMPDIR:-/tmp}/pictures_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
source_dir=$(cd "$(dirname "$0")/.." && pwd)

# compare SITE RUNS LABEL:PROGRAM:DEFINITION ...: the first is the page without the picture.
compare() {
  python3 - "$@" <<'PYTHON'
import statistics, subprocess, sys, time
site, runs, cases = sys.argv[1], int(sys.argv[2]), [c.split(":", 2) for c in sys.argv[3:]]
times, sizes = [[] for _ in cases], [0] * len(cases)
for _ in range(runs):
    for i, (label, program, definition) in enumerate(cases):
        start = time.perf_counter()
        out = subprocess.run([program, definition], cwd=site, env={}, capture_output=True).stdout
        times[i].append((time.perf_counter() - start) * 1000)
        sizes[i] = len(out)
base = times[0]
for i, (label, _, _) in enumerate(cases):
    t = times[i]
    line = "  %-40s median %8.3f ms, least %8.3f ms, %9d bytes" % (
        label, statistics.median(t), min(t), sizes[i])
    if i:
        line += "; adds %+.3f ms (median), %+.3f ms (least)" % (
            statistics.median(t) - statistics.median(base), min(t) - min(base))
    print(line, flush=True)
PYTHON
}

printf 'load %s, %d runs each\n' "$(cut -d' ' -f1 /proc/loadavg)" "$runs"

# The chart on request (d).
"$build/bench/vorlex_site" generate "$work/d" 500000 5 > /dev/null
cp "$work/d/query_d.txt" "$work/d/query.txt"
echo "Chart, request (d): 5,600 municipalities, one file of 2,000 records, the modern page"
compare "$work/d" "$runs" "without the chart:$build/bench/page_without_chart:obitos5" \
  "with the chart:$build/vorlexcgi/vorlexcgi:obitos5"

# The demo's map of 300 municipalities.
demo=$work/demo
"$build/demo/demosite" --out "$demo" --templates "$source_dir/demo/templates" > /dev/null
(cd "$demo" && "$build/seriak/seriak" MUNRES 'dados/EV*.dbf' > /dev/null &&
  "$build/seriak/seriak" -M CODIGO 'mapas/*.geojson' | tr -d '\r' | sed 's/^/  seriak -M: /')
sed '/^OMAPA=/d' "$demo/eventos.def" > "$demo/sem_mapa.def"
printf 'Linha=Munic\xEDpio_de_resid\xEAncia&Coluna=--N\xE3o-Ativa--&Incremento=Eventos&Arquivos=ev23.dbf&formato=table\r\n' \
  > "$demo/query.txt"
echo "Map, the demo: 300 municipalities by events of one year"
compare "$demo" "$runs" "without the map:$build/vorlexcgi/vorlexcgi:sem_mapa" \
  "with the map, compact form:$build/vorlexcgi/vorlexcgi:eventos"
rm "$demo"/mapas/*.MAPA
compare "$demo" "$runs" "without the map:$build/vorlexcgi/vorlexcgi:sem_mapa" \
  "with the map, GeoJSON alone:$build/vorlexcgi/vorlexcgi:eventos"

# A synthetic map of 5,600 municipalities on vorlex_bench.sh's site.
site=$work/d
mkdir -p "$site/mapas"
awk 'NR > 1 {print $3}' "$site/munic.cnv" > "$work/codes.txt"
"$build/bench/synthetic_map" "$work/codes.txt" COD "$site/mapas/municipios.geojson" |
  sed 's/^/  /'
(cd "$site" && "$build/seriak/seriak" -M COD 'mapas/*.geojson' | tr -d '\r' |
  sed 's/^/  seriak -M: /')
cp "$site/obitos5.def" "$site/obitos5_mapa.def"
printf 'OMAPA=Municipio,mapas/municipios.geojson,COD\r\n' >> "$site/obitos5_mapa.def"
printf 'Linha=Municipio&Coluna=--N\xE3o-Ativa--&Incremento=Obitos&formato=table&Arquivos=DO96.DBF\r\n' \
  > "$site/query.txt"
echo "Map, synthetic: 5,600 municipalities by deaths of one file of 100,000 records"
compare "$site" "$runs" "without the map:$build/vorlexcgi/vorlexcgi:obitos5" \
  "with the map, compact form:$build/vorlexcgi/vorlexcgi:obitos5_mapa"
rm "$site"/mapas/*.MAPA
compare "$site" 3 "without the map:$build/vorlexcgi/vorlexcgi:obitos5" \
  "with the map, GeoJSON alone:$build/vorlexcgi/vorlexcgi:obitos5_mapa"
