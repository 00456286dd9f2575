#!/usr/bin/env bash
# Runs a command inside the test bench: a private mount and UTS namespace whose host
# name and hosts file the tests control, one virtual X display, one wineserver on the
# build's private test prefix, and the lock recorder in place of rundll32.exe.
# Everything it starts is stopped when the command ends, whatever its result.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
# The product's own build, or its x86-64 twin where 32-bit programs cannot run.
build=$(wine_env_bench_build "${KORVANE_BUILD:-$root/build}")

if [[ -z "${KORVANE_IN_BENCH:-}" ]]; then
  export KORVANE_IN_BENCH=1
  exec unshare --mount --uts bash "$0" "$@"
fi

bench=$build/bench
mkdir -p "$bench"
# Lowercase on purpose: Wine answers a name equal to the Unix host name from the
# network adapters; the computer name it reports is the same name in capitals.
hostname korvane-bench
printf '127.0.0.1\tlocalhost\n' > "$bench/hosts"
printf 'multi on\n' > "$bench/host.conf"
mount --bind "$bench/hosts" /etc/hosts
mount --bind "$bench/host.conf" /etc/host.conf

# KORVANE_BENCH_PREFIX names another prefix under the build folder (the screenshots' own).
wine_env_init "$build/${KORVANE_BENCH_PREFIX:-test-prefix}"
trap wine_env_stop EXIT
trap 'exit 130' INT TERM  # an interrupted run still stops what it started
wine_env_display virtual
wine_env_start shell

# The lock routine is replaced by a recorder, so a test sees each lock without one.
cp "$build/tests/lock_recorder.exe" "$WINEPREFIX/drive_c/windows/system32/rundll32.exe"
wine reg add 'HKCU\Software\Wine\DllOverrides' /v rundll32.exe /d native /f >/dev/null 2>&1

# Where the test programs find the agent and the bench folder (Wine maps / to Z:).
export KORVANE_EXE="Z:${build//\//\\}\\Korvane.exe"
export KORVANE_BENCH_DIR="Z:${bench//\//\\}"

cd "$build"
"$@"
