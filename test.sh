#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build. Exits non-zero when anything fails.
# VORLEX_NO_INSTALL=1 skips the package installs, for machines whose packages are managed
# otherwise; the tests that need a missing tool skip with a message.
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ nlohmann-json3-dev libgtest-dev libbenchmark-dev clang clang-format-14
  libclang-rt-14-dev dpkg-dev lighttpd apache2 nginx fcgiwrap haproxy gdal-bin chromium
  chromium-driver python3-selenium)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})) && [[ ${VORLEX_NO_INSTALL:-} == 1 ]]; then
  echo "Not installing (VORLEX_NO_INSTALL=1): ${missing[*]}"
elif ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  # The tests start the servers themselves on free loopback ports. Where a service manager
  # runs, the packages would start their own services on port 80, and the second server's
  # start (so its install) would fail on the port the first holds: no service starts while
  # this script runs.
  if [[ ! -e /usr/sbin/policy-rc.d ]]; then
    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d
    chmod 755 /usr/sbin/policy-rc.d
    trap 'rm -f /usr/sbin/policy-rc.d' EXIT
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

# The test-only JavaScript tools (axe-core for the site tests), as tests/js/package-lock.json pins
# them; without npm, or offline, the tests that need them skip with a message.
if command -v npm >/dev/null 2>&1; then
  (cd tests/js && npm ci --no-audit --no-fund --loglevel=error) ||
    echo "npm ci failed in tests/js: the tests that need its tools will skip"
else
  echo "npm is not installed: the tests that need tests/js will skip"
fi

# Every C++ source laid out as the committed .clang-format says, before anything is built.
sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h'
  else
    find common formwright seriak vorlexcgi demo bench fuzz tests -name '*.cpp' -o -name '*.h' |
      grep -v node_modules | tr '\n' '\0'
  fi
}
if command -v clang-format-14 >/dev/null 2>&1; then
  sources | xargs -0 clang-format-14 --dry-run --Werror ||
    { echo "Sources differ from .clang-format: run clang-format-14 -i on the files named above"; exit 1; }
else
  echo "clang-format-14 is not installed: the layout of the sources is not checked"
fi

jobs=$(nproc)
run_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVORLEX_SANITIZE=ON
# Every fuzz target for a few seconds, from a fixed seed so that a failure here is repeatable;
# exploring with fresh seeds and longer runs is fuzz/run.sh's job.
FUZZ_SEED=${FUZZ_SEED:-1} FUZZ_BUILD=build/fuzz fuzz/run.sh "${FUZZ_SECONDS:-5}"
echo "All tests passed (release and sanitizer builds)."
