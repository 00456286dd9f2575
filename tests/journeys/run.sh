#!/usr/bin/env bash
# The journeys (ctest "journeys", in scripts/bench-shell.sh): the real Korvane.exe driven only
# with X input, seen through the screen, the registry and the lock recorder.
set -uo pipefail
[[ -n "${KORVANE_IN_BENCH:-}" && $# -eq 2 ]] || { echo "run.sh: ctest runs me" >&2; exit 1; }
readonly PROBE=$2 OUT=$1/journeys
export KORVANE_LOCK_RECORD="Z:${OUT//\//\\}\\locks.txt"
. "$(dirname "$0")/../../scripts/wine-env.sh" && screen_size
t0=$(date +%s%N) AGENT='' ADDRESS=10.0.0.7 NEW_CODE=271828

log() { printf '[%5d ms] %s\n' $((($(date +%s%N) - t0) / 1000000)) "$*"; }
# check "what a person expects" command... (a failure ends the run)
check() { if "${@:2}"; then log "ok: $1"; else log "FAIL: $1" && exit 1; fi; }
gone() { ! "$@"; }

shown() { window "$PROBE" "$@"; } # class caption
# The icon moves on a quarter at every cycle, after the cycle's look-up: the next cycle has run.
moved_from() { disc && [[ "${BOX[*]}" != "$1" ]]; }
next_cycle() { disc && poll 5 moved_from "${BOX[*]}"; }
# Clicks the middle of a dialog's control where its template (dialog units) puts it.
click_control() { # template_w template_h x y w h
  xdotool mousemove $((WIN[4] + (2 * $3 + $5) * (WIN[6] - WIN[4]) / (2 * $1))) \
    $((WIN[5] + (2 * $4 + $6) * (WIN[7] - WIN[5]) / (2 * $2))) click 1
}
# Keys go to the X focus, which no window manager moves here: the agent's window takes it.
keys() { xdotool search --onlyvisible --classname '^korvane\.exe$' windowfocus && xdotool "$@"; }
open_menu() { xdotool mousemove "$ICON_X" "$ICON_Y" click 3 && poll 5 shown '#32768' ''; }
# From the open menu, an item and its PassCode prompt answered with keys alone, as a new user
# would: the code typed straight away, then Enter. Exit is the last item, Setting the one
# whose picture has the settings page's red band.
with_code() { # Setting|Exit code
  local y=$((WIN[3] - 12))
  [[ $1 == Exit ]] || { colour_box '#FF0000' $((WIN[2] - WIN[0])) $((WIN[3] - WIN[1])) \
    "${WIN[0]}" "${WIN[1]}" && y=$((BOX[3] + BOX[1] / 2)); } || return
  xdotool mousemove $(((WIN[0] + WIN[2]) / 2)) "$y" click 1 && poll 5 shown '#32770' PassCode &&
    keys type --delay 50 "$2" && keys key Return && poll 5 gone shown '#32770' PassCode
}

locks() { (($(wc -l <"$OUT/locks.txt") == $1)); }
stored() { wine reg query "$SETTINGS_KEY" /v "$1" 2>/dev/null | tr -d '\r' | grep -q " $2$"; }
start_agent() {
  wine "$KORVANE_EXE" >>"$OUT/agent.log" 2>&1 & AGENT=$!
  check "the icon shows in the notification area" poll 20 tray_icon
}
# Exit with the new code: the agent ends with status 0. (Its icon goes too, but Wine drops the
# icon of a dead window by itself: the in-process AgentExe end test sees the agent remove it.)
exit_agent() {
  open_menu && with_code Exit "$NEW_CODE" && poll 10 gone kill -0 "$AGENT" 2>/dev/null &&
    wait "$AGENT" && AGENT=''
}
# The journeys start and end on an empty vendor key and the bench's own address.
clean() {
  [[ -z $AGENT ]] || kill "$AGENT" 2>/dev/null
  wine reg delete "${SETTINGS_KEY%\\*}" /f >/dev/null 2>&1
  resolve_to
}
rm -rf "$OUT" && mkdir -p "$OUT" && touch "$OUT/locks.txt" && clean && trap clean EXIT

resolve_to "$ADDRESS"
start_agent
check "the first start on an untrusted address locks" poll 10 locks 1
check "the menu's Setting asks the pass code" eval 'open_menu && with_code Setting 1234'
# The agent is back in its message loop: a dialog the wrong code had opened would show.
check "a wrong code opens no Setting" eval "open_menu && gone shown '#32770' Setting"
check "the default one opens it" eval "with_code Setting 8306 && poll 5 shown '#32770' Setting"
click_control 247 184 42 129 59 14
keys key End shift+Home && keys type --delay 50 "$NEW_CODE"
click_control 247 184 192 127 50 14 # Add
click_control 247 184 140 164 50 14 # OK
check "OK stores the new code" poll 5 stored AppDirectory "$NEW_CODE"
check "Add stored the current address as trusted" stored IPList_1 "$ADDRESS"

resolve_to 10.0.0.99
check "a move to an untrusted address locks" poll 10 locks 2
# A lock is recorded within the cycle that sees the address, long before the next one ends.
back() { next_cycle && resolve_to "$ADDRESS" && next_cycle && next_cycle && locks 2; }
check "once, and the move back to the trusted address does not" back
check "Exit with the new code ends the agent" exit_agent
start_agent && check "and does so after a restart" exit_agent
