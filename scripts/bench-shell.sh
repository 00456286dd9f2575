#!/usr/bin/env bash
# Runs a command inside the test bench: a private mount and UTS namespace whose host
# name and hosts file the tests control, one virtual X display, one wineserver on the
# build's private test prefix, and the lock recorder in place of rundll32.exe.
# Everything it starts is stopped when the command ends, whatever its result.
# With --net, the moving bench instead (also from inside the first): a private network
# namespace too, whose interface t0 the tests give addresses, the host name answered from
# it, and a prefix of its own where iphlpapi.dll's address-change notification completes.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
root=$KORVANE_ROOT
# The product's own build, or its x86-64 twin where 32-bit programs cannot run.
build=$(wine_env_bench_build "${KORVANE_BUILD:-$root/build}")
kind=hosts
[[ "${1:-}" != --net ]] || { kind=net && shift; }

if [[ "${KORVANE_IN_BENCH:-}" != "$kind" ]]; then
  # The lock recorder below is a test program, which a plain scripts/build.sh leaves out.
  if [[ ! -f "$build/tests/lock_recorder.exe" ]]; then
    echo "bench-shell: building the test programs first (scripts/build.sh -DKORVANE_TESTS=ON)" >&2
    "$root/scripts/build.sh" -DKORVANE_TESTS=ON >&2
  fi
  export KORVANE_IN_BENCH=$kind
  [[ $kind == hosts ]] && exec unshare --mount --uts bash "$0" "$@"
  exec unshare --mount --uts --net bash "$0" --net "$@"
fi

if [[ $kind == net ]]; then
  bench=$build/net-bench prefix=net-prefix
  mkdir -p "$bench"
  # Upper case on purpose: Wine answers its computer name (the host name in capitals) from
  # the interfaces only when it equals the Unix host name, as Windows answers its own name.
  hostname KORVANE-NET
  ip link set lo up
  # A TUN device nobody reads: addresses come and go, no packet ever flows.
  ip tuntap add dev t0 mode tun 2>/dev/null || ip link add t0 type veth peer name t1
  ip link set t0 up
  # Removing an interface's first address keeps the others, as on Windows.
  echo 1 >/proc/sys/net/ipv4/conf/t0/promote_secondaries
  ip addr add 10.9.0.5/24 dev t0
else
  bench=$build/bench prefix=${KORVANE_BENCH_PREFIX:-test-prefix}
  mkdir -p "$bench"
  # Lowercase on purpose: Wine answers a name equal to the Unix host name from the
  # network adapters; the computer name it reports is the same name in capitals.
  hostname korvane-bench
fi
export KORVANE_BENCH_HOSTS=$bench/hosts
resolve_to # no address yet
printf 'multi on\n' > "$bench/host.conf"
mount --bind "$bench/hosts" /etc/hosts
mount --bind "$bench/host.conf" /etc/host.conf

# KORVANE_BENCH_PREFIX names another prefix under the build folder (the screenshots' own).
wine_env_open "$build/$prefix" virtual

# The lock routine is replaced by a recorder, so a test sees each lock without one.
cp "$build/tests/lock_recorder.exe" "$WINEPREFIX/drive_c/windows/system32/rundll32.exe"
wine reg add 'HKCU\Software\Wine\DllOverrides' /v rundll32.exe /d native /f >/dev/null 2>&1
if [[ $kind == net ]]; then
  # Wine 8's NotifyAddrChange never completes: its stand-in forwards the rest to Wine's own.
  system=$WINEPREFIX/drive_c/windows/system32
  pe=$([[ $WINEARCH == win64 ]] && echo x86_64-linux-gnu/wine/x86_64-windows ||
    echo i386-linux-gnu/wine/i386-windows)
  cp "/usr/lib/$pe/iphlpapi.dll" "$system/iphlpwine.dll"
  cp "$build/tests/iphlpapi_standin.dll" "$system/iphlpapi.dll"
  wine reg add 'HKCU\Software\Wine\DllOverrides' /v iphlpapi /d native,builtin /f >/dev/null 2>&1
fi

# Where the test programs find the agent and the bench folder (Wine maps / to Z:).
export KORVANE_EXE="Z:${build//\//\\}\\Korvane.exe"
export KORVANE_BENCH_DIR="Z:${bench//\//\\}"

cd "$build"
"$@"
