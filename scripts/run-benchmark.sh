#!/usr/bin/env bash
# Builds and runs the lock-latency and cycle-cost benchmark inside the bench; it prints
# its figures and asserts nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DKORVANE_TESTS=ON
exec "$root/scripts/bench-shell.sh" "$root/scripts/wine-test.sh" "$build/benchmark/korvane_benchmark.exe" "$@"
