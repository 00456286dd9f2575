#!/usr/bin/env bash
# The journeys: the real Korvane.exe as a person meets it, in the bench's Wine desktop
# "shell" with its taskbar, driven only with real X input (xdotool: pointer moves, clicks,
# typed digits, Enter and Escape). Each step is checked by what the screen shows
# (screenshots under <build>/journeys/, pixels, the tooltip's text), by what lands in the
# registry and on disk, and by the lock recorder's record.
# Runs inside scripts/bench-shell.sh, as the ctest test "journeys".
# Usage: run.sh <build folder> <screen_probe.exe>
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

if [[ -z "${KORVANE_IN_BENCH:-}" || -z "${DISPLAY:-}" || -z "${KORVANE_EXE:-}" ]]; then
  echo "journeys: run me inside scripts/bench-shell.sh (scripts/run-tests.sh does)" >&2
  exit 1
fi

BUILD=$1
PROBE=$2
OUT=$BUILD/journeys
HOSTS=$BUILD/bench/hosts
AGENT_DIR=$OUT/agent-folder
LOCKS=$OUT/locks.txt
LOCKS_WIN="Z:${LOCKS//\//\\}"
read -r SCREEN_W SCREEN_H < <(screen_size)
STARTED_PIDS=()

readonly ADDRESS=10.0.0.7 UNTRUSTED=10.0.0.99 DEFAULT_CODE=8306 WRONG_CODE=1234
readonly NEW_CODE=271828

# Dialog templates in dialog units: size, then the controls the user touches (x y w h).
readonly PASSCODE_DU="170 54" PASSCODE_EDIT="79 7 84 12"
readonly SETTING_DU="247 184" EASY_PC_LOCK="45 20 57 10" QUICK_LOCK="53 31 47 10"
readonly SETTING_CODE="42 129 59 14" ADD_BUTTON="192 127 50 14" SETTING_OK="140 164 50 14"

cleanup() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  clear_registry
  resolve_to ""
}
trap cleanup EXIT

rm -rf "$OUT"
mkdir -p "$OUT" "$AGENT_DIR"
scratch=$OUT/scratch.png

# Types a pass code into the PassCode prompt that is up, as a person does: a click into
# the box first (the prompt opens with the focus on OK), the digits, then Enter.
answer_passcode() { # code
  wait_window PassCode 5 || {
    fail "the PassCode prompt opens"
    return 1
  }
  check "the PassCode prompt is centred on the screen" is_centred
  # shellcheck disable=SC2086
  click_control $PASSCODE_DU $PASSCODE_EDIT
  type_digits "$1"
  local picture=$OUT/${2:-scratch.png}
  shot "$picture"
  check "the PassCode prompt shows on the screen" window_drawn "$picture"
  press Return
  check "Enter closes the PassCode prompt" window_gone PassCode 5
}

# 1. First start on an empty registry.
journey_first_start() {
  log "journey 1: first start on an empty registry"
  clear_registry
  resolve_to "$ADDRESS"
  rm -f "$LOCKS"
  start_agent "$OUT/agent-1.log"
  wait_icon 30 "$scratch"
  case $? in
  0) log "ok: the globe shows in the notification area at $ICON_X,$ICON_Y" ;;
  2) fail "more than one yellow-green disc in the notification area" && return 1 ;;
  *) fail "the globe shows in the notification area" && return 1 ;;
  esac

  # The disc travels one quarter per three-second cycle, clockwise.
  local seen=$DISC_QUARTER moves=0 end=$((SECONDS + 12)) previous=$DISC_QUARTER
  local -A next=([LR]=LL [LL]=UL [UL]=UR [UR]=LR)
  while ((moves < 2 && SECONDS < end)); do
    sleep 0.5
    shot "$scratch"
    find_icon "$scratch" || continue
    if [[ "$DISC_QUARTER" != "$previous" ]]; then
      [[ "$DISC_QUARTER" == "${next[$previous]}" ]] ||
        fail "the disc moves clockwise ($previous then $DISC_QUARTER)"
      previous=$DISC_QUARTER
      seen+=" $DISC_QUARTER"
      moves=$((moves + 1))
    fi
  done
  check "the globe animates (disc quarters seen: $seen)" test "$moves" -ge 2

  shot "$OUT/1-tray-before-tip.png"
  if hover_tip 8; then
    shot "$OUT/1-tray-tip.png"
    check "the tip reads \"IP is $ADDRESS\" (it reads \"$TIP_TEXT\")" \
      test "$TIP_TEXT" = "IP is $ADDRESS"
    local l t r b
    read -r l t r b <<<"$TIP_RECT"
    readme_picture "$OUT/1-tray-tip.png" $((l - 120)) $((t - 40)) tray-tip
    check "the tip shows next to the icon ($TIP_RECT)" \
      test $((ICON_Y - b)) -le 40 -a $((t - ICON_Y)) -le 40 -a "$l" -le "$ICON_X" -a \
      $((ICON_X - r)) -le 40
    local drawn
    drawn=$(changed_pixels "$OUT/1-tray-before-tip.png" "$OUT/1-tray-tip.png" \
      $((r - l)) $((b - t)) "$l" "$t")
    check "the tip is drawn on the screen ($drawn pixels changed)" \
      test "${drawn:-0}" -ge $(((r - l) * (b - t) / 2))
  else
    fail "hovering the icon shows a tip"
  fi

  # Untrusted from the first cycle on: one lock, and no more while the address stays.
  check "the recorder sees a lock" wait_locks 1 10
  sleep 3.5
  check "exactly one lock while the address stays ($(lock_count) recorded)" \
    test "$(lock_count)" -eq 1
  check "the lock is the system's lock routine" grep -q 'user32.dll,LockWorkStation$' "$LOCKS"
  check "the agent still runs" agent_running
  check "the first start stores nothing" test -z "$(stored_values)$(run_value)"
}

# 2. The tray menu: owner-drawn, at the pointer, Computer Lock grayed; Escape closes it.
journey_menu() {
  log "journey 2: the tray menu"
  open_menu "$OUT/2-menu.png" || {
    fail "a right-click on the icon opens the menu with its pictures"
    return 1
  }
  log "ok: the menu opens ($MENU), with the Setting and Exit pictures"
  local l t r b
  read -r l t r b <<<"$MENU"
  check "the menu opens at the pointer, moved only by the screen's edge and the taskbar" \
    test "$l" -le "$ICON_X" -a "$ICON_X" -le "$r" -a "$b" -le "$ICON_Y" -a \
    $((ICON_Y - b)) -le 32
  computer_lock_row "$OUT/2-menu.png"
  check "Computer Lock shows its picture in grays ($ROW_SATURATED coloured pixels)" \
    test "$ROW_SATURATED" -eq 0
  check "Computer Lock's caption is gray (darkest $ROW_DARKEST%, Setting's $SETTING_DARKEST%)" \
    test "$ROW_DARKEST" -ge 30 -a "$SETTING_DARKEST" -le 15
  check "Escape closes the menu" escape_menu
  shot "$OUT/2-menu-closed.png"

  # About... shows the Version Info dialog; Enter closes it.
  open_menu "$scratch" || {
    fail "the menu opens again"
    return 1
  }
  local sh sx sy ey
  read -r _ sh sx sy <<<"$SETTING_BOX"
  read -r _ _ _ ey <<<"$EXIT_BOX"
  # About... is the item under Setting: its globe lies between the two pictures.
  local about
  about=$(colour_box "$scratch" "$GLOBE_OUTLINE" 40 $((ey - sy - sh)) "$sx" $((sy + sh))) || {
    fail "the menu shows the About... picture"
    return 1
  }
  click_item "$about"
  if wait_window "Version Info" 5; then
    shot "$OUT/2-version-info.png"
    check "Version Info shows on the screen" window_drawn "$OUT/2-version-info.png"
    check "Version Info is centred on the screen" is_centred
    key_to_dialog Return
    check "Enter closes Version Info" window_gone "Version Info" 5
  else
    fail "About... opens Version Info"
  fi
}

# The Computer Lock item of the menu on show: the rows above the first separator, i.e.
# above the Setting picture. Sets ROW_SATURATED (coloured pixels of its picture),
# ROW_DARKEST (its caption's darkest pixel) and SETTING_DARKEST.
computer_lock_row() { # screenshot
  local l t r b sx sy
  read -r l t r b <<<"$MENU"
  read -r _ _ sx sy <<<"$SETTING_BOX"
  local top=$((t + 4)) height=$((sy - t - 16))
  ROW_SATURATED=$(count_saturated "$1" 32 "$height" "$sx" "$top")
  ROW_DARKEST=$(darkest "$1" $((r - sx - 40)) "$height" $((sx + 36)) "$top")
  SETTING_DARKEST=$(darkest "$1" $((r - sx - 40)) 24 $((sx + 36)) "$sy")
}

# 3. Setting behind the pass code: a wrong code opens nothing, the default one opens
# the dialog; Easy PC Lock, Quick Lock, a new code and the current address, then OK.
journey_setting() {
  log "journey 3: Setting"
  open_menu "$scratch" || {
    fail "the menu opens"
    return 1
  }
  click_item "$SETTING_BOX"
  answer_passcode "$WRONG_CODE" || return 1
  sleep 1.5
  check "a wrong code opens nothing" no_window Setting
  check "nothing is stored by a refused code" test -z "$(stored_values)"

  open_menu "$scratch" || {
    fail "the menu opens"
    return 1
  }
  click_item "$SETTING_BOX"
  answer_passcode "$DEFAULT_CODE" 3-passcode.png || return 1
  wait_window Setting 5 || {
    fail "the default code \"$DEFAULT_CODE\" opens the Setting dialog"
    return 1
  }
  log "ok: the default code \"$DEFAULT_CODE\" opens the Setting dialog"
  check "the Setting dialog is centred on the screen" is_centred
  shot "$OUT/3-setting-opened.png"
  check "the Setting dialog shows on the screen" window_drawn "$OUT/3-setting-opened.png"

  # shellcheck disable=SC2086
  {
    click_control $SETTING_DU $EASY_PC_LOCK
    sleep 0.3
    click_control $SETTING_DU $QUICK_LOCK
    sleep 0.3
    # Quick Lock is stored the moment it is clicked.
    check "Quick Lock is stored at its click" stored_exactly "QuickClick REG_DWORD 0x1"
    click_control $SETTING_DU $SETTING_CODE
    press End shift+Home
    type_digits "$NEW_CODE"
    click_control $SETTING_DU $ADD_BUTTON
    sleep 0.5
    shot "$OUT/3-setting.png"
    click_control $SETTING_DU $SETTING_OK
  }
  check "OK closes the Setting dialog" window_gone Setting 5

  local expected
  expected=$(printf '%s\n' "AppDirectory REG_SZ $NEW_CODE" "ComputerLock REG_DWORD 0x1" \
    "IPList_1 REG_SZ $ADDRESS" "IP_list REG_DWORD 0x0" "QuickClick REG_DWORD 0x1" | sort)
  local stored
  stored=$(stored_values)
  check "the registry holds exactly what the dialog promised" test "$stored" = "$expected" ||
    printf '  stored:\n%s\n  expected:\n%s\n' "$stored" "$expected"
  check "no Run value (autostart left off)" test -z "$(run_value)"
  check "no activity log on disk (logging off)" test ! -e "$AGENT_DIR/appAction.log"
}

# 4. The address moves to an untrusted one: one lock; back to the trusted one: none.
journey_address_moves() {
  log "journey 4: the address moves"
  local before
  before=$(lock_count)
  resolve_to "$UNTRUSTED"
  check "a move to $UNTRUSTED locks" wait_locks $((before + 1)) 10
  sleep 3.5
  check "locked once ($(($(lock_count) - before)) new)" test "$(lock_count)" -eq $((before + 1))
  check "the tip follows: \"IP is $UNTRUSTED\"" wait_tip "IP is $UNTRUSTED" 8 &&
    shot "$OUT/4-tray-tip-untrusted.png"

  resolve_to "$ADDRESS"
  # The tip shows when the agent has seen the trusted address again; one more cycle after.
  check "the tip is back at \"IP is $ADDRESS\"" wait_tip "IP is $ADDRESS" 12
  sleep 3.5
  check "the move back to the trusted $ADDRESS locks nothing" \
    test "$(lock_count)" -eq $((before + 1))
}

# 5. Quick Lock with Easy PC Lock: the menu offers Computer Lock, a double-click locks.
journey_double_click() {
  log "journey 5: double-click with Quick Lock"
  open_menu "$OUT/5-menu.png" || {
    fail "the menu opens"
    return 1
  }
  computer_lock_row "$OUT/5-menu.png"
  local l t r b
  read -r l t r b <<<"$MENU"
  readme_picture "$OUT/5-menu.png" $((l - 80)) $((t - 24)) tray-menu
  check "Computer Lock now shows its coloured picture ($ROW_SATURATED coloured pixels)" \
    test "$ROW_SATURATED" -ge 100
  check "and its caption in the window text colour (darkest $ROW_DARKEST%)" \
    test "$ROW_DARKEST" -le 15
  escape_menu || fail "Escape closes the menu"

  local before
  before=$(lock_count)
  local start
  start=$(date +%s%N)
  xdotool mousemove "$ICON_X" "$ICON_Y" click --repeat 2 --delay 80 1
  check "the double-click locks at once" wait_locks $((before + 1)) 5
  log "the lock was on record $((($(date +%s%N) - start) / 1000000)) ms after the first click"
  sleep 1
  check "and only once" test "$(lock_count)" -eq $((before + 1))
  check "no dialog opens" no_window "Version Info"
}

# 6. Exit: the old code is refused; the new one ends the agent with 0; a new copy starts.
journey_exit() {
  log "journey 6: Exit"
  open_menu "$scratch" || {
    fail "the menu opens"
    return 1
  }
  click_item "$EXIT_BOX"
  answer_passcode "$DEFAULT_CODE" || return 1
  sleep 1.5
  check "the old code \"$DEFAULT_CODE\" is refused: the agent runs on" agent_running
  shot "$scratch"
  check "and its icon stays" find_icon "$scratch"

  open_menu "$scratch" || {
    fail "the menu opens"
    return 1
  }
  click_item "$EXIT_BOX"
  answer_passcode "$NEW_CODE" 6-exit-passcode.png || return 1
  check "the new code ends the agent" wait_agent_exit 10 || return 1
  check "with exit code 0 (got $AGENT_EXIT)" test "$AGENT_EXIT" -eq 0
  check "the icon disappears" wait_icon_gone 5 "$OUT/6-tray-after-exit.png"

  local before
  before=$(lock_count)
  start_agent "$OUT/agent-2.log"
  wait_icon 30 "$scratch"
  check "a new copy starts: its globe shows" test $? -eq 0 || return 1
  sleep 3.5
  check "the new copy runs on" agent_running
  check "its tip reads \"IP is $ADDRESS\"" wait_tip "IP is $ADDRESS" 8
  check "the trusted address locks nothing at its start" test "$(lock_count)" -eq "$before"

  # The new copy answers to the stored code too; the journeys end as they began.
  open_menu "$scratch" || {
    fail "the menu opens"
    return 1
  }
  click_item "$EXIT_BOX"
  answer_passcode "$NEW_CODE" || return 1
  check "the new copy ends with the stored code" wait_agent_exit 10 &&
    check "with exit code 0 (got $AGENT_EXIT)" test "$AGENT_EXIT" -eq 0
}

log "screen ${SCREEN_W}x$SCREEN_H, screenshots in $OUT"
for journey in journey_first_start journey_menu journey_setting journey_address_moves \
  journey_double_click journey_exit; do
  # Without an icon or without the new settings the later journeys cannot start.
  "$journey" || case $journey in journey_first_start | journey_setting) break ;; esac
done
rm -f "$scratch"

if ((${#failures[@]})); then
  log "${#failures[@]} check(s) failed:"
  printf '  - %s\n' "${failures[@]}"
  exit 1
fi
log "all journeys passed"
