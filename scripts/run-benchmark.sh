#!/usr/bin/env bash
# Builds and runs the benchmark inside the bench: cycle cost, lock latency and the soak
# (GDI, USER and private-byte figures), then on the moving bench the lock latency with the
# address-change notification and with the poll alone. It prints figures and asserts
# nothing; arguments (cycle, latency, soak, notify) pick parts, none runs all.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_env_prepare -DKORVANE_TESTS=ON
parts=("$@")
((${#parts[@]})) || parts=(cycle latency soak notify)
hosts=() net=()
for part in "${parts[@]}"; do
  if [[ $part == notify ]]; then net=(notify); else hosts+=("$part"); fi
done
run() { # [--net] part...
  local bench=()
  [[ $1 != --net ]] || { bench=(--net) && shift; }
  "$KORVANE_ROOT/scripts/bench-shell.sh" "${bench[@]}" "$KORVANE_ROOT/cmake/wine-test.sh" \
    "$BUILD/benchmark/korvane_benchmark.exe" "$@"
}
rc=0
((${#hosts[@]} == 0)) || run "${hosts[@]}" || rc=$?
((${#net[@]} == 0)) || run --net "${net[@]}" || rc=$?
exit $rc
