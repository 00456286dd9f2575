#!/usr/bin/env bash
# The release as a Windows user and an administrator meet it, in the bench's prefix:
# the per-user MSI installed silently with and without AUTOSTART=1 and removed again,
# the settings example imported before a first start, and a signed build.
# Runs inside scripts/bench-shell.sh as the ctest test "release". Usage: run.sh <build>
set -uo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 out=$1/release-test hosts=$1/bench/hosts
if [[ -z "${KORVANE_IN_BENCH:-}" ]]; then
  echo "release: run me inside scripts/bench-shell.sh (scripts/run-tests.sh does)" >&2
  exit 1
fi
failures=0
check() { # what command...
  if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1" && failures=$((failures + 1)); fi
}
quiet() { "$@" >>"$out/quiet.log" 2>&1; }
win() { wine cmd /c "$@" 2>/dev/null | tr -d '\r'; }
msi() { wine msiexec "$@" /qn >/dev/null 2>&1; }
run_value() {
  wine reg query "$run_key" /v Korvane.EXE 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
resolve_to() { printf '127.0.0.1\tlocalhost\n%s\tKORVANE-BENCH\n' "$1" >"$hosts"; } # in place
lock_count() { wc -l <"$out/locks.txt" 2>/dev/null || echo 0; }
locked() { (($(lock_count) >= 1)); }
# Wine has no tasklist worth the name; its debugger lists processes and windows.
agent_pid() {
  winedbg --command "info proc" 2>/dev/null | awk '$NF == "\047Korvane.exe\047" {print $1}'
}
agent_window() { winedbg --command "info wnd" 2>/dev/null | awk '$2 == "12"' | grep -q .; }
wait_for() { # seconds command...
  local end=$((SECONDS + $1))
  until "${@:2}"; do ((SECONDS < end)) || return 1; sleep 0.2; done
}
stop_agent() { # the one in this prefix, by its process id
  local p
  p=$(agent_pid)
  [[ -z "$p" ]] || wine taskkill /pid $((16#$p)) /f >/dev/null 2>&1
}

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
msi_win="Z:${build//\//\\}\\release\\Korvane.msi"
local_app=$(winepath -u "$(win echo %LOCALAPPDATA%)")
dir=$local_app/Programs/Korvane
lnk="$(winepath -u "$(win echo %APPDATA%)")/Microsoft/Windows/Start Menu/Programs/Korvane.lnk"
product=$(msiinfo export "$build/release/Korvane.msi" Property | tr -d '\r' |
  sed -n 's/^ProductCode\t//p')
# Wine lists a per-user package under HKLM; Windows keeps it under the installer's own keys.
arp_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
cleanup() {
  stop_agent
  msi /x "$msi_win"
  wine reg delete 'HKCU\SOFTWARE\Tessmark\Korvane' /f >/dev/null 2>&1
  wine reg delete "$run_key" /v Korvane.EXE /f >/dev/null 2>&1
  wine reg delete 'HKCU\SOFTWARE\Tessmark' /f >/dev/null 2>&1
  rm -rf "$dir" && rmdir "$local_app/Programs" 2>/dev/null
  printf '127.0.0.1\tlocalhost\n' >"$hosts"
}
trap cleanup EXIT
rm -rf "$out" && mkdir -p "$out"/{signed,again}
export KORVANE_LOCK_RECORD="Z:${out//\//\\}\\locks.txt"

echo "== the MSI without AUTOSTART"
msi /i "$msi_win"
check "Korvane.exe in %LOCALAPPDATA%\\Programs\\Korvane" \
  cmp -s "$dir/Korvane.exe" "$build/release/Korvane/Korvane.exe"
check "a Start-menu shortcut" test -f "$lnk"
check "an Apps & features entry" has_key "$arp_key"
check "no Run value" test -z "$(run_value)"
msi /x "$msi_win"
all_gone() { ! test -e "$dir" && ! test -e "$lnk" && ! has_key "$arp_key"; }
check "uninstall removes the program, the shortcut and the entry" all_gone

echo "== the settings example, then the MSI with AUTOSTART=1"
reg=$build/release/Korvane/korvane-settings.example.reg
wine reg import "Z:${reg//\//\\}" >/dev/null 2>&1
listed=$(sed -n 's/^"IPList_1"="\(.*\)"\r$/\1/p' "$reg")
check "the example trusts an address" test -n "$listed"
resolve_to "$listed"
msi /i "$msi_win" AUTOSTART=1
check "the Run value is the quoted program path" \
  test "$(run_value)" == "\"$(win echo %LOCALAPPDATA%)\\Programs\\Korvane\\Korvane.exe\""
# wineboot starts the Run values, as a logon does.
wineboot >/dev/null 2>&1
check "a logon starts the agent" wait_for 20 agent_window
resolve_to 10.99.0.1
check "the agent locks at an unlisted address" wait_for 15 locked
check "it logged the move" wait_for 5 grep -q "IP:10.99.0.1" "$dir/appAction.log"
# The listed address would have been logged, and locked, at the first cycle, before.
check "it did not lock at the listed address" \
  test "$(grep -c "IP:$listed\$" "$dir/appAction.log")" == 0
check "one lock in all" test "$(lock_count)" == 1
stop_agent
msi /x "$msi_win"
check "uninstall leaves only the log" test "$(ls -A "$dir" 2>&1)" == appAction.log
settings_gone() { [[ -z "$(run_value)" ]] && ! has_key 'HKCU\SOFTWARE\Tessmark'; }
check "and removes the Run value and the settings" settings_gone
check "and the shortcut" test ! -e "$lnk"
rm -rf "$dir"

echo "== signed with a throwaway certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Korvane test signer" \
  -keyout "$out/key.pem" -out "$out/cert.pem" >/dev/null 2>&1
(cd "$out/signed" && KORVANE_SIGN_CERT=$out/cert.pem KORVANE_SIGN_KEY=$out/key.pem \
  cmake -DSOURCE="$src" -DEXE="$build/Korvane.exe" -P "$src/cmake/release.cmake" >/dev/null)
for f in Korvane/Korvane.exe Korvane.msi; do
  check "$f is signed and verifies" \
    quiet osslsigncode verify -CAfile "$out/cert.pem" -in "$out/signed/$f"
done
sums_match() (cd "$out/signed/Korvane" && cp ../Korvane.msi . && sha256sum --quiet -c SHA256SUMS)
check "the sums are of the signed files" sums_match
# Wine runs it without looking at the signature; Windows would check it.
wine "$out/signed/Korvane/Korvane.exe" >/dev/null 2>&1 &
check "the signed program starts" wait_for 20 agent_window
kill $! 2>/dev/null
echo "== unsigned, built again"
(cd "$out/again" && cmake -DSOURCE="$src" -DEXE="$build/Korvane.exe" -P "$src/cmake/release.cmake")
for f in Korvane.msi Korvane.zip; do
  check "$f is the same bytes" cmp "$out/again/$f" "$build/release/$f"
done
echo "$failures failed" && ((failures == 0))
