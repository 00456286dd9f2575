#!/usr/bin/env bash
# Installs what is missing, builds Korvane.exe and its tests, and runs every test
# through Wine inside the bench: a private mount and UTS namespace whose host name
# and hosts file the tests control, one virtual X display and one wineserver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD:-$root/build}

if [[ -z "${KORVANE_IN_BENCH:-}" ]]; then
  "$root/scripts/setup.sh"
  "$root/scripts/build.sh" -DKORVANE_TESTS=ON
  export KORVANE_IN_BENCH=1
  exec unshare --mount --uts bash "$0" "$@"
fi

# --- inside the private namespace from here on ---
bench=$build/bench
mkdir -p "$bench"
# Lowercase on purpose: Wine answers a name equal to the Unix host name from the
# network adapters; the computer name it reports is the same name in capitals.
hostname korvane-bench
printf '127.0.0.1\tlocalhost\n' > "$bench/hosts"
printf 'multi on\n' > "$bench/host.conf"
mount --bind "$bench/hosts" /etc/hosts
mount --bind "$bench/host.conf" /etc/host.conf

. "$root/scripts/wine-env.sh"
wine_env_init "$build/test-prefix"
trap wine_env_stop EXIT
wine_env_display virtual
wine_env_start shell

# The lock routine is replaced by a recorder, so a test sees each lock without one.
cp "$build/tests/lock_recorder.exe" "$WINEPREFIX/drive_c/windows/system32/rundll32.exe"

cd "$build"
ctest --output-on-failure "$@"
