#!/usr/bin/env bash
# Configures and builds Korvane.exe and its release (and, with -DKORVANE_TESTS=ON, the test
# programs) into build/. Where this kernel runs no 32-bit programs, the bench cannot run the
# i686 build: the test programs and a twin of the product are then built for x86-64 into
# build/x64 (scripts/wine-env.sh), and build/ holds the product and its release only.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
root=$KORVANE_ROOT build=${KORVANE_BUILD:-$KORVANE_ROOT/build}

build_for() { # folder target cmake-arguments...
  cmake -S "$root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$2.cmake" \
    -DCMAKE_BUILD_TYPE=Release "${@:3}" >/dev/null
  cmake --build "$1" -j "$(nproc)"
}

if runs_32bit; then
  build_for "$build" i686 "$@"
else
  # Side by side: each tree spends most of a rebuild in single-threaded tools.
  build_for "$build" i686 -DKORVANE_TESTS=OFF &
  product=$!
  build_for "$build/x64" x86_64 "$@"
  wait "$product"
fi
