#!/usr/bin/env bash
# Installs what is missing, builds, and runs Korvane.exe under Wine in its own prefix:
# on the current display when there is one, otherwise on a virtual display.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_env_prepare
wine_env_open "$BUILD/run-prefix"
echo "Korvane runs on display $DISPLAY; it ends with Exit in its tray menu (or Ctrl+C here)."
cd "$BUILD"
wine "$BUILD/Korvane.exe"
