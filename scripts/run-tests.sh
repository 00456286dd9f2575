#!/usr/bin/env bash
# Installs what is missing, builds Korvane.exe and its tests, and runs every test
# through Wine inside the bench (scripts/bench-shell.sh). Arguments go to ctest.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_env_prepare -DKORVANE_TESTS=ON
# Two at a time: the moving bench has its own namespaces, prefix and display.
exec "$KORVANE_ROOT/scripts/bench-shell.sh" ctest --output-on-failure -j2 "$@"
