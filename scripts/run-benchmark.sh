#!/usr/bin/env bash
# Builds and runs the benchmark inside the bench: cycle cost, lock latency and the soak
# (GDI, USER and private-byte figures). It prints figures and asserts nothing; arguments
# (cycle, latency, soak) pick parts, none runs all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DKORVANE_TESTS=ON
. "$root/scripts/wine-env.sh"
build=$(wine_env_bench_build "$build")
exec "$root/scripts/bench-shell.sh" "$root/scripts/wine-test.sh" "$build/benchmark/korvane_benchmark.exe" "$@"
