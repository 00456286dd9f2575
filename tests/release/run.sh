#!/usr/bin/env bash
# The release as users meet it, in the bench's prefix: the MSI with and without AUTOSTART=1, the
# settings example, upgrades from an older release and to a newer one (built here from the same
# sources), a failed install, a signed build, a second build's bytes. ctest's "release" runs it
# on the moving bench (bench-shell.sh --net), beside the other bench's tests: run.sh <build>
set -uo pipefail
[[ -n "${KORVANE_IN_BENCH:-}" ]] || { echo "release: run me in bench-shell.sh" >&2; exit 1; }
. "$(dirname "$0")/../../scripts/wine-env.sh"
src=$KORVANE_ROOT
build=$1 rel=$1/release out=$1/release-test
failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAIL: $1" && ((++failures)); fi; }
quiet() { "$@" >>"$out/quiet.log" 2>&1; }
win() { wine cmd /c "$@" 2>/dev/null | tr -d '\r'; }
msi() { quiet wine msiexec "$1" "Z:${2//\//\\}\\Korvane.msi" "${@:3}" /qn; } # option folder
wreg() { quiet wine reg "$@"; }
run_value() { win reg query "$RUN_KEY" /v "$RUN_VALUE" | sed -n 's/.*REG_SZ *//p'; }
move_to() { ip -4 addr flush dev t0 && ip addr add "$1/24" dev t0; } # the machine moves
# Wine has no tasklist worth the name; its debugger lists processes and windows.
agent_window() { winedbg --command "info wnd" 2>/dev/null | awk '$2 == "12"' | grep -q .; }
agent_pid() { winedbg --command "info proc" 2>/dev/null | awk '$NF == "\047Korvane.exe\047" {print $1}'; }
stop_agent() { # the one in this prefix, by its process id
  p=$(agent_pid)
  [[ -z "$p" ]] || quiet wine taskkill /pid $((16#$p)) /f
}
another_agent() { [[ -n "$(agent_pid)" && "$(agent_pid)" != "$1" ]] && agent_window; }
version=$(msiinfo export "$rel/Korvane.msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
release() { # folder release-number [program]
  mkdir -p "$1" && (cd "$1" && quiet cmake -DSOURCE="$src" -DEXE="${3:-$build/Korvane.exe}" \
    -DCLOSE_AGENT="$build/close_agent.dll" -DRELEASE="$2" \
    -DMSI_ARCH="$([[ $WINEARCH == win64 ]] && echo x64 || echo x86)" -P "$src/cmake/release.cmake")
}

app="$(win echo %LOCALAPPDATA%)\\Programs\\Korvane"
dir=$(winepath -u "$app")
lnk="$(winepath -u "$(win echo %APPDATA%)")/Microsoft/Windows/Start Menu/Programs/Korvane.lnk"
product=$(msiinfo export "$rel/Korvane.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
# Wine lists a per-user package under HKLM; Windows keeps it under the installer's own keys.
arp_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
entries() { # the release number of each Korvane entry in Apps & features
  win reg query "${arp_key%\\*}" /s | awk '/^HKEY/ {if (k) print v; k = 0}
    /DisplayName +REG_SZ +Korvane$/ {k = 1} /DisplayVersion/ {v = $3} END {if (k) print v}'
}
settings() { win reg query "$SETTINGS_KEY" | grep -c 'IPList_\|AppDirectory'; }
cleanup() { # what a failure left behind
  stop_agent; [[ -z "$(entries)" ]] || for f in "$rel" old new; do msi /x "$f"; done
  rm -rf "$dir"; rmdir "${dir%/Korvane}" 2>/dev/null
  quiet wine cmd /c "reg delete $RUN_KEY /v $RUN_VALUE /f & reg delete ${SETTINGS_KEY%\\*} /f"
  move_to 10.9.0.5
}
trap cleanup EXIT
rm -rf "$out" && mkdir -p "$out" && cd "$out" || exit 1
export KORVANE_LOCK_RECORD="Z:${out//\//\\}\\locks.txt"
# An older release, and a newer one whose program differs in its bytes (Windows and Wine ignore
# what follows the image), so a program left in place would show; the later ones meanwhile.
cp "$build/Korvane.exe" newer.exe && echo newer >>newer.exe
release old 1.0.9 &
old_built=$!
(release new 1.2.0 "$out/newer.exe"; release again "$version"
 quiet openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=throwaway -keyout key.pem -out cert.pem
 KORVANE_SIGN_CERT=$out/cert.pem KORVANE_SIGN_KEY=$out/key.pem release signed "$version") &
builds=$!

echo "== the MSI without AUTOSTART"
msi /i "$rel"
check "the program in %LOCALAPPDATA%\\Programs" cmp "$dir/Korvane.exe" "$rel/Korvane/Korvane.exe"
check "a Start-menu shortcut" test -f "$lnk"
check "an Apps & features entry" wreg query "$arp_key"
check "no Run value" test -z "$(run_value)"
# Wine's installer does not show the message, which Windows logs and shows: the tables say it.
wait $old_built
check "an older release is refused and leaves this one" eval '! msi /i old && [[ $(entries) == $version ]]'
table_has() { msiinfo export "$rel/Korvane.msi" "$1" | tr -d '\r' | grep -qP "$2"; }
check "by its launch condition" table_has LaunchCondition '^NOT WIX_DOWNGRADE_DETECTED\tA newer release'
check "set for any release above this one" table_has Upgrade "\t\Q$version\E\t\t\t2\t\tWIX_DOWNGRADE_DETECTED"
seq_of() { msiinfo export "$rel/Korvane.msi" InstallExecuteSequence | tr -d '\r' | awk -v a="$1" '$1 == a {print $NF}'; }
check "the agent closed before InstallValidate looks for files in use (Wine's does not)" test "$(seq_of CloseAgent)" -lt "$(seq_of InstallValidate)"
check "no install as the system account (Wine's is never that: the tables say it)" table_has LaunchCondition '^Installed OR UserSID <> "S-1-5-18"\tKorvane installs for the user'

# A copy run from the zip (its locks recorded apart) is not the package's to close.
KORVANE_LOCK_RECORD="Z:${out//\//\\}\\zip-locks.txt" quiet wine "$rel/Korvane/Korvane.exe" &
poll 20 agent_window && msi /x "$rel"
check "uninstall leaves a copy run from the zip running" test -n "$(agent_pid)"
stop_agent
all_gone() { ! test -e "$dir" && ! test -e "$lnk" && ! wreg query "$arp_key"; }
check "uninstall removes the program, the shortcut and the entry" all_gone
# Wine's installer leaves the emptied Programs folder; Windows removes it: the tables say so.
check "and the Programs folder it made" table_has RemoveFile '^RemoveUserPrograms\tProgram\t\tUserPrograms\t2$'

echo "== the settings example, an older release with AUTOSTART=1, then a newer one"
wreg import "Z:${rel//\//\\}\\Korvane\\korvane-settings.example.reg"
listed=$(sed -n 's/^"IPList_1"="\(.*\)"\r$/\1/p' "$rel/Korvane/korvane-settings.example.reg")
check "the example trusts an address" test -n "$listed"
move_to "$listed"
msi /i old AUTOSTART=1
check "the Run value is the quoted program path" test "$(run_value)" == "\"$app\\Korvane.exe\""
quiet wineboot # starts the Run values, as a logon does
check "a logon starts the agent" poll 20 agent_window
move_to 10.99.0.1
check "the agent locks at an unlisted address" poll 15 test -s locks.txt
check "it logged the move" poll 5 grep -q "IP:10.99.0.1" "$dir/appAction.log"
# The listed address would have been logged, and locked, at the first cycle, before.
check "not at the listed address" test "$(grep -c "IP:$listed\$" "$dir/appAction.log")" == 0
check "one lock in all" test "$(wc -l <locks.txt)" == 1
before=$(agent_pid) kept="$(run_value) $(settings)"
wait $builds
check "the upgrade needs no restart (exit 0)" msi /i new
check "the newer program in place" cmp "$dir/Korvane.exe" newer.exe
check "no rename pending" eval '! wreg query "HKLM\System\CurrentControlSet\Control\Session Manager" /v PendingFileRenameOperations'
check "the agent was closed and runs again" poll 20 another_agent "$before"
check "one entry, of the newer release" test "$(entries)" == 1.2.0
check "the Run value and the settings kept" test "$(run_value) $(settings)" == "$kept"
check "uninstalling while it runs succeeds" msi /x new
check "and ends the agent" test -z "$(agent_pid)"
check "uninstall leaves only the log" test "$(ls -A "$dir" 2>&1)" == appAction.log
settings_gone() { [[ -z "$(run_value)" ]] && ! wreg query "${SETTINGS_KEY%\\*}"; }
check "and removes the Run value and the settings" settings_gone

echo "== autostart set by the Setting box, kept by an upgrade; AUTOSTART=0"
msi /i old
wreg add "$RUN_KEY" /v "$RUN_VALUE" /d "\"$app\\Korvane.exe\"" /f # as the Setting box writes it
approved="HKCU\\$(header_text settings/common_reg.h kStartupApprovedKey)" # Task Manager's "disabled":
wreg add "$approved" /v "$RUN_VALUE" /t REG_BINARY /d 030000000000000000000000 /f
msi /i "$rel"
check "the Run value kept" test "$(run_value)" == "\"$app\\Korvane.exe\""
check "and Task Manager's disabled mark gone" eval '! wreg query "$approved" /v "$RUN_VALUE"'
check "and the agent started" poll 20 agent_window
# Wine drops the upgrade code with the older release: the next would install beside this one.
before="$(agent_pid) $(entries) $(run_value)"
msi /i "$rel"
check "installing it again changes nothing" test "$(agent_pid) $(entries) $(run_value)" == "$before"
# A newer release made to fail at the end of its script (built here, never shipped), after it
# closed the agent and, with AUTOSTART=0, removed the Run value: both come back. Windows ends
# it with 1603, Wine's msiexec with 1627, whose low byte a Unix status keeps.
mkdir -p failing && cp new/Korvane.msi failing/ && quiet msibuild failing/Korvane.msi \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('Fail', 1058, 'INSTALLDIR', 'cmd.exe /c exit 1')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('Fail', 6599)"
before=$(agent_pid)
msi /i failing AUTOSTART=0; failed=$?
check "an install that fails fails and leaves this release" test "$((failed != 0)) $(entries)" == "1 $version"
check "the Run value it removed is back" test "$(run_value)" == "\"$app\\Korvane.exe\""
check "the agent it closed runs again" poll 20 another_agent "$before"
msi /i "$rel" AUTOSTART=0
check "AUTOSTART=0 removes the Setting box's Run value" test -z "$(run_value)"
msi /x "$rel"

echo "== signed with a throwaway certificate, then built again unsigned"
for f in Korvane/Korvane.exe Korvane.msi; do
  check "$f is signed and verifies" quiet osslsigncode verify -CAfile cert.pem -in "signed/$f"
done
sums_match() (cd signed/Korvane && sha256sum --quiet -c SHA256SUMS && cd .. && sha256sum --quiet -c SHA256SUMS)
check "the sums are of the signed files, each beside its files" sums_match
check "the zip holds exactly the summed files" test "$(unzip -Z1 signed/Korvane.zip | grep -v SHA256SUMS | sort)" == "$(awk '{print "Korvane/" $2}' signed/Korvane/SHA256SUMS | tr -d '\r' | sort)"
quiet wine signed/Korvane/Korvane.exe & # Wine does not check the signature; Windows would
check "the signed program starts" poll 20 agent_window
check "built again, the release is the same bytes" diff -r again "$rel"
echo "$failures failed" && ((failures == 0))
