#!/usr/bin/env bash
# Installs what is missing, builds, and runs Korvane.exe under Wine in its own prefix:
# on the current display when there is one, otherwise on a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD:-$root/build}

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

. "$root/scripts/wine-env.sh"
# Where 32-bit programs cannot run, the x86-64 twin of the same sources (scripts/build.sh).
build=$(wine_env_bench_build "$build")
wine_env_init "$build/run-prefix"
trap wine_env_stop EXIT
trap 'exit 130' INT TERM  # Ctrl+C still runs the clean-up above
if wine_env_display; [[ -n "${_xvfb_pid:-}" ]]; then
  wine_env_start shell  # a virtual display has no tray of its own: use Wine's taskbar
else
  wine_env_start
fi
echo "Korvane runs on display $DISPLAY; it ends with Exit in its tray menu (or Ctrl+C here)."
cd "$build"
wine "$build/Korvane.exe"
