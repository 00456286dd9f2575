#!/usr/bin/env bash
# The journeys (ctest "journeys", inside scripts/bench-shell.sh): the real Korvane.exe in
# the bench's Wine desktop, driven only with X input, seen through the screen (the icon's
# pixels, windows by screen_probe.exe), the registry and the lock recorder.
set -uo pipefail
[[ -n "${KORVANE_IN_BENCH:-}" && $# -eq 2 ]] || { echo "run.sh: ctest runs me" >&2; exit 1; }
readonly PROBE=$2 OUT=$1/journeys HOSTS=$1/bench/hosts VENDOR='HKCU\SOFTWARE\Tessmark'
readonly LOCKS=$OUT/locks.txt ADDRESS=10.0.0.7 UNTRUSTED=10.0.0.99 NEW_CODE=271828
read -r SCREEN_W SCREEN_H < <(xdpyinfo | awk '/dimensions:/ {sub("x", " ", $2); print $2}')
failed=0 t0=$(date +%s%N)

windows_path() { echo "Z:${1//\//\\}"; }
log() { printf '[%5d ms] %s\n' $((($(date +%s%N) - t0) / 1000000)) "$*"; }
# check "what a person expects" command...; poll timeout_s command...: until it succeeds.
check() { if "${@:2}"; then log "ok: $1"; else log "FAIL: $1" && ((++failed)) && return 1; fi; }
poll() {
  local end=$((SECONDS + $1))
  until "${@:2}"; do ((SECONDS < end)) && sleep 0.2 || return 1; done
}

# Bounding box of one colour in a region of the screen: BOX=(w h x y), x and y absolute.
colour_box() { # colour w h x y
  local b
  b=$(import -window root png:- | convert png:- -crop "$2x$3+$4+$5" +repage -fuzz 4% \
    -fill black +opaque "$1" -format '%@' info: 2>/dev/null)
  [[ $b =~ ^([1-9][0-9]*)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  BOX=("${BASH_REMATCH[@]:1:2}" $((BASH_REMATCH[3] + $4)) $((BASH_REMATCH[4] + $5)))
}
# The icon: the yellow-green disc all four of its pictures draw, once in the taskbar.
disc() { colour_box '#CCFF00' "$SCREEN_W" 48 0 $((SCREEN_H - 48)); }
icon_shows() {
  disc && ((BOX[0] <= 9 && BOX[1] <= 9)) && ICON_X=$((BOX[2] + 4)) ICON_Y=$((BOX[3] + 4))
}
# The disc moves on a quarter at every cycle, after the cycle's look-up: the agent's next
# cycle has visibly run.
moved_from() { disc && [[ "${BOX[*]}" != "$1" ]]; }
next_cycle() { disc && poll 5 moved_from "${BOX[*]}"; }
# A visible top-level window by class and caption: WIN=(outer l t r b, client l t r b).
window() { # class caption
  read -r -a FOUND < <(wine "$PROBE" 2>/dev/null | tr -d '\r' |
    awk -F'\t' -v c="$1" -v t="$2" '$1 == c && $2 == t {print $3, $4; exit}') && WIN=("${FOUND[@]}")
}
# Clicks the middle of a dialog's control where its template (dialog units) puts it.
click_control() { # template_w template_h x y w h
  xdotool mousemove $((WIN[4] + (2 * $3 + $5) * (WIN[6] - WIN[4]) / (2 * $1))) \
    $((WIN[5] + (2 * $4 + $6) * (WIN[7] - WIN[5]) / (2 * $2))) click 1
}
# Keys go to the X focus, which no window manager moves here and Wine's taskbar may keep:
# as a window manager would, the agent's X window on show gets it first.
keys() { # xdotool key or type arguments
  xdotool search --onlyvisible --classname '^korvane\.exe$' windowfocus && xdotool "$@"
}
open_menu() {
  xdotool mousemove "$ICON_X" "$ICON_Y" click 3
  check "a right-click on the icon opens the menu" poll 5 window '#32768' ''
}
# Setting is the item whose picture has the settings page's red band; Exit the last one.
click_setting() {
  colour_box '#FF0000' $((WIN[2] - WIN[0])) $((WIN[3] - WIN[1])) "${WIN[0]}" "${WIN[1]}" &&
    xdotool mousemove $((BOX[2] + BOX[0] + 30)) $((BOX[3] + BOX[1] / 2)) click 1
}
pass_code() { # code
  check "the PassCode prompt opens" poll 5 window '#32770' PassCode || return 1
  click_control 170 54 79 7 84 12
  keys type --delay 50 "$1"
  click_control 170 54 57 33 50 14
  check "OK closes it" poll 5 eval "! window '#32770' PassCode"
}

resolve_to() { printf '127.0.0.1\tlocalhost\n%s\tKORVANE-BENCH\n' "$1" >"$HOSTS"; }
locks() { (($(wc -l <"$LOCKS") == $1)); }
stored() { wine reg query "$VENDOR\\Korvane" /v "$1" 2>/dev/null | tr -d '\r' | grep -q " $2$"; }
start_agent() {
  (cd "$OUT" && exec env KORVANE_LOCK_RECORD="$(windows_path "$LOCKS")" wine "$KORVANE_EXE") \
    >>"$OUT/agent.log" 2>&1 &
  AGENT=$!
  check "the icon shows in the notification area" poll 20 icon_shows
}
exit_agent() {
  open_menu && xdotool mousemove $(((WIN[0] + WIN[2]) / 2)) $((WIN[3] - 12)) click 1 &&
    pass_code "$NEW_CODE" &&
    check "Exit with the new code ends the agent" poll 10 eval "! kill -0 $AGENT 2>/dev/null" &&
    check "with status 0" wait "$AGENT" && check "and removes the icon" poll 5 eval '! disc'
}

# The journeys start on an empty registry; the vendor key is saved and put back after.
restore() {
  kill "$AGENT" 2>/dev/null
  wine reg delete "$VENDOR" /f >/dev/null 2>&1
  [[ -f $OUT/saved.reg ]] && wine reg import "$(windows_path "$OUT/saved.reg")" >/dev/null 2>&1
  printf '127.0.0.1\tlocalhost\n' >"$HOSTS"
}
rm -rf "$OUT" && mkdir -p "$OUT" && touch "$LOCKS" && AGENT= && trap restore EXIT
wine reg export "$VENDOR" "$(windows_path "$OUT/saved.reg")" >/dev/null 2>&1
wine reg delete "$VENDOR" /f >/dev/null 2>&1

resolve_to "$ADDRESS"
start_agent || exit 1
check "the first start on an untrusted address locks" poll 10 locks 1
open_menu && click_setting && pass_code 1234 && open_menu || exit 1
# The agent is back in its message loop: a dialog the wrong code had opened would show.
check "a wrong code opens no Setting" eval "! window '#32770' Setting"
click_setting && pass_code 8306 &&
  check "the default code opens Setting" poll 5 window '#32770' Setting || exit 1
click_control 247 184 42 129 59 14
keys key End shift+Home && keys type --delay 50 "$NEW_CODE"
click_control 247 184 192 127 50 14 # Add
click_control 247 184 140 164 50 14 # OK
check "OK stores the new code" poll 5 stored AppDirectory "$NEW_CODE"
check "Add stored the current address as trusted" stored IPList_1 "$ADDRESS"

resolve_to "$UNTRUSTED"
check "a move to an untrusted address locks" poll 10 locks 2
check "the agent runs a cycle on the untrusted address" next_cycle
resolve_to "$ADDRESS"
check "and one on the trusted one" next_cycle
# A lock starts within the cycle that sees the address; the recorder has long written it
# by the end of the next cycle.
check "and one more" next_cycle
check "one lock for the untrusted address, none while it stays or on the move back" locks 2

exit_agent
start_agent && exit_agent
log "$failed check(s) failed" && ((failed == 0))
