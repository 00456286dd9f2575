#!/usr/bin/env bash
# The release as users meet it, in the bench's prefix: the MSI with and without AUTOSTART=1,
# the settings example before a first start, a signed build, a second build's bytes.
# Runs in scripts/bench-shell.sh as the ctest test "release". Usage: run.sh <build>
set -uo pipefail
[[ -n "${KORVANE_IN_BENCH:-}" ]] || { echo "release: run me in bench-shell.sh" >&2; exit 1; }
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 rel=$1/release out=$1/release-test hosts=$1/bench/hosts
failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1" && ((++failures)); fi; }
quiet() { "$@" >>"$out/quiet.log" 2>&1; }
win() { wine cmd /c "$@" 2>/dev/null | tr -d '\r'; }
msi() { quiet wine msiexec "$1" "Z:${rel//\//\\}\\Korvane.msi" "${@:2}" /qn; }
wreg() { quiet wine reg "$@"; }
run_value() { win reg query "$run_key" /v Korvane.EXE | sed -n 's/.*REG_SZ *//p'; }
resolve_to() { printf '127.0.0.1\tlocalhost\n%s\tKORVANE-BENCH\n' "$1" >"$hosts"; } # in place
wait_for() { # seconds command...
  local end=$((SECONDS + $1))
  until "${@:2}"; do ((SECONDS < end)) || return 1; sleep 0.2; done
}
# Wine has no tasklist worth the name; its debugger lists processes and windows.
agent_window() { winedbg --command "info wnd" 2>/dev/null | awk '$2 == "12"' | grep -q .; }
stop_agent() { # the one in this prefix, by its process id
  p=$(winedbg --command "info proc" 2>/dev/null | awk '$NF == "\047Korvane.exe\047" {print $1}')
  [[ -z "$p" ]] || quiet wine taskkill /pid $((16#$p)) /f
}
release=(cmake -DSOURCE="$src" -DEXE="$build/Korvane.exe" -DMSI_ARCH="$([[ $WINEARCH == win64 ]] && echo x64 || echo x86)" -P "$src/cmake/release.cmake")

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
app="$(win echo %LOCALAPPDATA%)\\Programs\\Korvane"
dir=$(winepath -u "$app")
lnk="$(winepath -u "$(win echo %APPDATA%)")/Microsoft/Windows/Start Menu/Programs/Korvane.lnk"
product=$(msiinfo export "$rel/Korvane.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
# Wine lists a per-user package under HKLM; Windows keeps it under the installer's own keys.
arp_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
cleanup() { # what a failure left behind
  stop_agent; msi /x; rm -rf "$dir"; rmdir "${dir%/Korvane}" 2>/dev/null
  wreg delete "$run_key" /v Korvane.EXE /f; wreg delete 'HKCU\SOFTWARE\Tessmark' /f
  printf '127.0.0.1\tlocalhost\n' >"$hosts"
}
trap cleanup EXIT
rm -rf "$out" && mkdir -p "$out"/{signed,again} && cd "$out" || exit 1
export KORVANE_LOCK_RECORD="Z:${out//\//\\}\\locks.txt"

echo "== the MSI without AUTOSTART"
msi /i
check "the program in %LOCALAPPDATA%\\Programs" cmp "$dir/Korvane.exe" "$rel/Korvane/Korvane.exe"
check "a Start-menu shortcut" test -f "$lnk"
check "an Apps & features entry" wreg query "$arp_key"
check "no Run value" test -z "$(run_value)"
msi /x
all_gone() { ! test -e "$dir" && ! test -e "$lnk" && ! wreg query "$arp_key"; }
check "uninstall removes the program, the shortcut and the entry" all_gone

echo "== the settings example, then the MSI with AUTOSTART=1"
wreg import "Z:${rel//\//\\}\\Korvane\\korvane-settings.example.reg"
listed=$(sed -n 's/^"IPList_1"="\(.*\)"\r$/\1/p' "$rel/Korvane/korvane-settings.example.reg")
check "the example trusts an address" test -n "$listed"
resolve_to "$listed"
msi /i AUTOSTART=1
check "the Run value is the quoted program path" test "$(run_value)" == "\"$app\\Korvane.exe\""
quiet wineboot # starts the Run values, as a logon does
check "a logon starts the agent" wait_for 20 agent_window
resolve_to 10.99.0.1
check "the agent locks at an unlisted address" wait_for 15 test -s locks.txt
check "it logged the move" wait_for 5 grep -q "IP:10.99.0.1" "$dir/appAction.log"
# The listed address would have been logged, and locked, at the first cycle, before.
check "not at the listed address" test "$(grep -c "IP:$listed\$" "$dir/appAction.log")" == 0
check "one lock in all" test "$(wc -l <locks.txt)" == 1
stop_agent
msi /x
check "uninstall leaves only the log" test "$(ls -A "$dir" 2>&1)" == appAction.log
settings_gone() { [[ -z "$(run_value)" ]] && ! wreg query 'HKCU\SOFTWARE\Tessmark'; }
check "and removes the Run value and the settings" settings_gone

echo "== signed with a throwaway certificate, then built again unsigned"
quiet openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=throwaway -keyout key.pem -out cert.pem
(cd signed && KORVANE_SIGN_CERT=$out/cert.pem KORVANE_SIGN_KEY=$out/key.pem quiet "${release[@]}")
for f in Korvane/Korvane.exe Korvane.msi; do
  check "$f is signed and verifies" quiet osslsigncode verify -CAfile cert.pem -in "signed/$f"
done
sums_match() (cd signed/Korvane && cp ../Korvane.msi . && sha256sum --quiet -c SHA256SUMS)
check "the sums are of the signed files" sums_match
quiet wine signed/Korvane/Korvane.exe & # Wine does not check the signature; Windows would
check "the signed program starts" wait_for 20 agent_window
(cd again && quiet "${release[@]}")
check "built again, the release is the same bytes" diff -r again "$rel"
echo "$failures failed" && ((failures == 0))
