#!/usr/bin/env bash
# ctest's emulator: runs one test program through Wine. Its output goes through a file
# because Wine's own service processes inherit the descriptors of whichever program
# starts them; they must not keep ctest's pipe open after the test has ended.
out=$(mktemp)
wine "$@" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
