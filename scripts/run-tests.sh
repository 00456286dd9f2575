#!/usr/bin/env bash
# Installs what is missing, builds Korvane.exe and its tests, and runs every test
# through Wine inside the bench (scripts/bench-shell.sh). Arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DKORVANE_TESTS=ON
# Two at a time: the moving bench has its own namespaces, prefix and display.
exec "$root/scripts/bench-shell.sh" ctest --output-on-failure -j2 "$@"
