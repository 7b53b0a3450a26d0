#!/usr/bin/env bash
# Builds what is missing, writes the demo site once (demo/site/), indexes its data files and
# writes the compact forms of its maps with seriak, and serves it with lighttpd in the
# foreground on 127.0.0.1:$PORT (default 8080).
# Ctrl-C stops the server; nothing is left running.
#   PORT=8081 ./demo.sh        another port
#   RECORDS=20000 ./demo.sh    a smaller site (events of the first year; used only when the
#                              site is written, so remove demo/site/ to change it)
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
port=${PORT:-8080}
records=${RECORDS:-200000}
build=$root/build/demo
site=$root/demo/site
www=$site/www

need=()
for p in cmake ninja-build g++ nlohmann-json3-dev lighttpd; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if ((${#need[@]})); then
  echo "Installing: ${need[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi
# Debian's package starts its own server on port 80 when a service manager runs; the demo
# needs only the program.
lighttpd=$(command -v lighttpd || echo /usr/sbin/lighttpd)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLEX_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target demosite seriak vorlexcgi formwright

if [[ ! -f $www/known_totals.json ]]; then
  echo "Writing the demo site into $www (a few seconds) ..."
  rm -rf "$www"
  "$build/demo/demosite" --out "$www" --records "$records"
fi
install -m 755 "$build/vorlexcgi/vorlexcgi" "$www/vorlexcgi.exe"
install -m 755 "$build/formwright/formwright" "$www/formwright.exe"
(cd "$www" && "$build/seriak/seriak" MUNRES 'dados/EV*.dbf' && "$build/seriak/seriak" MUNRES 'dados/EM*.dbf' &&
  "$build/seriak/seriak" -M CODIGO 'mapas/*.geojson')

# Started as root, lighttpd answers as www-data, which writes the copies, the request log
# and the server's error log (lighttpd opens it after changing user).
user=$(id -un) group=$(id -gn)
if ((EUID == 0)); then
  user=www-data group=www-data
  mkdir -p "$www/csv"
  touch "$site/error.log"
  chown -R "$user:$group" "$www/csv" "$site/error.log"
fi
sed -e "s|@SITE@|$www|" -e "s|@ADDRESS@|127.0.0.1|" -e "s|@PORT@|$port|" -e "s|@STATE@|$site|" \
  -e "s|@USER@|$user|" -e "s|@GROUP@|$group|" -e "s|@NODE@||" \
  demo/lighttpd.conf.in >"$site/lighttpd.conf"
"$lighttpd" -tt -f "$site/lighttpd.conf" >/dev/null

echo
echo "Demo site: http://127.0.0.1:$port/   (Ctrl-C stops the server)"
echo "Server errors and CGI messages: $site/error.log"
exec "$lighttpd" -D -f "$site/lighttpd.conf"
