# shellcheck shell=bash disable=SC2034,SC2153
# The user's eyes and hands for the journeys (sourced by run.sh): screenshots and pixel
# searches with ImageMagick, real pointer and keyboard input with xdotool on the bench's
# X display, and the read-only screen_probe for tooltip texts and window rectangles
# (xdotool misplaces the windows of Wine's virtual desktop, and the dialogs' client
# areas are needed to place their controls from the templates).
# Globals go both ways: run.sh sets BUILD, PROBE, OUT, HOSTS, AGENT_DIR, LOCKS, LOCKS_WIN,
# SCREEN_W and SCREEN_H; the functions here set ICON_X, MENU, WIN and the like for run.sh.

# Colours the program draws (ui/res/art): the tray disc, the exit sign, the settings page's
# red band, the globe's outline.
readonly DISC='#CCFF00' EXIT_GREEN='#009646' SETTING_RED='#FF0000' GLOBE_OUTLINE='#082468'
# Icons of 256 colours come out of their palette a shade off.
readonly FUZZ=4%

_t0=$(date +%s%N)
failures=()

log() { printf '[%6.2fs] %s\n' "$(($(date +%s%N) - _t0))e-9" "$*"; }
fail() {
  log "FAIL: $*"
  failures+=("$*")
  return 1
}
# check "what a person expects" command...: logs the outcome; the command's status is kept.
check() {
  local what=$1
  shift
  if "$@"; then log "ok: $what"; else fail "$what"; fi
}

screen_size() { xdpyinfo | awk '/dimensions:/ {split($2, a, "x"); print a[1], a[2]}'; }

shot() { import -window root "$1"; }

# Pixels of one colour inside a region of a screenshot: "count" or the bounding box
# "w h x y" (absolute), nothing when absent.
count_colour() { # file colour w h x y
  convert "$1" -crop "${3}x${4}+${5}+${6}" +repage -fuzz "$FUZZ" -fill black +opaque "$2" \
    -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info: 2>/dev/null
}
colour_box() { # file colour w h x y
  local n box
  n=$(count_colour "$@")
  [[ -n "$n" && "$n" -gt 0 ]] || return 1
  box=$(convert "$1" -crop "${3}x${4}+${5}+${6}" +repage -fuzz "$FUZZ" -fill black \
    +opaque "$2" -fuzz 0 -format '%@' info: 2>/dev/null)
  [[ "$box" =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} $((BASH_REMATCH[3] + $5)) $((BASH_REMATCH[4] + $6))"
}
# Pixels whose saturation is above 40%: zero for a picture in grays.
count_saturated() { # file w h x y
  convert "$1" -crop "${2}x${3}+${4}+${5}" +repage -colorspace HSL -channel G -separate \
    +channel -threshold 40% -format '%[fx:round(mean*w*h)]' info: 2>/dev/null
}
# The darkest pixel's lightness, 0 (black) to 100.
darkest() { # file w h x y
  convert "$1" -crop "${2}x${3}+${4}+${5}" +repage -colorspace Gray \
    -format '%[fx:round(100*minima)]' info: 2>/dev/null
}
# How many pixels of a region differ between two screenshots.
changed_pixels() { # fileA fileB w h x y
  local region="[${3}x${4}+${5}+${6}]"
  compare -metric AE "$1$region" "$2$region" null: 2>&1 | awk '{print int($1)}'
}

# The tray icon, found by the yellow-green disc in the strip at the bottom of the screen
# and the globe's outline around it. Sets ICON_X ICON_Y (the globe's centre) and
# DISC_QUARTER (LR, LL, UL or UR, seen from the centre). Returns 1 when no icon shows,
# 2 when more than one does.
find_icon() { # screenshot
  local strip=$((SCREEN_H - 48)) box w h x y o
  box=$(colour_box "$1" "$DISC" "$SCREEN_W" 48 0 "$strip") || return 1
  read -r w h x y <<<"$box"
  ((w <= 9 && h <= 9)) || return 2
  o=$(colour_box "$1" "$GLOBE_OUTLINE" 40 40 $((x - 16)) $((y - 16))) || return 1
  local ow oh ox oy
  read -r ow oh ox oy <<<"$o"
  # Doubled coordinates keep the halves exact.
  local cx2=$((2 * ox + ow - 1)) cy2=$((2 * oy + oh - 1))
  local dx2=$((2 * x + w - 1)) dy2=$((2 * y + h - 1))
  ICON_X=$((cx2 / 2)) ICON_Y=$((cy2 / 2))
  DISC_QUARTER=$( ((dy2 > cy2)) && echo L || echo U)$( ((dx2 > cx2)) && echo R || echo L)
  return 0
}

# Waits until the icon shows; returns find_icon's status of the last try.
wait_icon() { # timeout_s scratch_file
  local end=$((SECONDS + $1)) rc=1
  while ((SECONDS < end)); do
    shot "$2"
    find_icon "$2" && return 0
    rc=$?
    ((rc == 2)) && return 2
    sleep 0.3
  done
  return "$rc"
}

# Waits until no disc shows in the strip.
wait_icon_gone() { # timeout_s scratch_file
  local end=$((SECONDS + $1)) n
  while ((SECONDS < end)); do
    shot "$2"
    n=$(count_colour "$2" "$DISC" "$SCREEN_W" 48 0 $((SCREEN_H - 48)))
    [[ "$n" == 0 ]] && return 0
    sleep 0.3
  done
  return 1
}

probe() {
  local text
  text=$(wine "$PROBE" "$@" 2>/dev/null) || return 1
  [[ -n "$text" ]] && printf '%s\n' "${text//$'\r'/}"
  return 0
}

# Hovers the icon until its tooltip shows; sets TIP_TEXT and TIP_RECT ("l t r b").
# The pointer moves a little on every try: tooltips start on pointer motion.
hover_tip() { # timeout_s
  local end=$((SECONDS + $1)) line nudge=0
  TIP_TEXT='' TIP_RECT=''
  while ((SECONDS < end)); do
    xdotool mousemove "$((ICON_X - 1 + nudge))" "$ICON_Y"
    nudge=$((1 - nudge))
    sleep 0.8
    line=$(probe tip | head -n 1)
    if [[ -n "$line" ]]; then
      TIP_RECT=${line%%$'\t'*}
      TIP_TEXT=${line#*$'\t'}
      return 0
    fi
  done
  return 1
}

# Hovers until the tip reads the text (the tip follows the agent's next cycle).
wait_tip() { # text timeout_s
  local end=$((SECONDS + $2))
  while ((SECONDS < end)); do
    hover_tip 4 && [[ "$TIP_TEXT" == "$1" ]] && return 0
    sleep 0.5
  done
  log "  the tip reads \"${TIP_TEXT:-}\""
  return 1
}

# A visible top-level window by its caption: sets WIN (outer "l t r b") and CLIENT.
wait_window() { # caption timeout_s
  local end=$((SECONDS + $2)) r
  while ((SECONDS < end)); do
    if r=$(probe window "$1") && [[ -n "$r" ]]; then
      read -r -a _rect <<<"$r"
      WIN="${_rect[*]:0:4}" CLIENT="${_rect[*]:4:4}"
      return 0
    fi
    sleep 0.2
  done
  return 1
}
no_window() { ! probe window "$1" >/dev/null; }
window_gone() { # caption timeout_s
  local end=$((SECONDS + $2))
  while ((SECONDS < end)); do
    probe window "$1" >/dev/null || return 0
    sleep 0.2
  done
  return 1
}
# Whether the window's rectangle shows the window in a screenshot: at most 2% of it in the
# desktop's colour (taken from the screen's top left corner).
window_drawn() { # screenshot
  local l t r b desk n
  read -r l t r b <<<"$WIN"
  desk=$(convert "$1" -format '%[pixel:p{2,2}]' info:)
  n=$(count_colour "$1" "$desk" $((r - l)) $((b - t)) "$l" "$t")
  ((n * 50 <= (r - l) * (b - t)))
}
# Cuts a picture for the README out of a screenshot: from (x, y) to the bottom right.
readme_picture() { # screenshot x y name
  convert "$1" -crop "$((SCREEN_W - $2))x$((SCREEN_H - $3))+$2+$3" +repage -strip \
    "$OUT/readme-$4.png"
}

# The outer rectangle's centre is the screen's (integer halves may differ by one).
is_centred() {
  local l t r b
  read -r l t r b <<<"$WIN"
  local dx=$((l + r - SCREEN_W)) dy=$((t + b - SCREEN_H))
  ((dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2))
}

# Clicks the middle of a dialog control given in dialog units, as the template places it.
# The client area's pixel size over the template's size in dialog units is the scale.
click_control() { # dialog_w_du dialog_h_du x y w h
  local cl ct cr cb
  read -r cl ct cr cb <<<"$CLIENT"
  local px=$((cl + (2 * $3 + $5) * (cr - cl) / (2 * $1)))
  local py=$((ct + (2 * $4 + $6) * (cb - ct) / (2 * $2)))
  xdotool mousemove "$px" "$py" click 1
}

# The tray menu: right-click the icon and wait for the menu's pictures. Sets MENU
# ("l t r b"), SETTING_BOX and EXIT_BOX ("w h x y" of their pictures' colours).
open_menu() { # scratch_file
  xdotool mousemove "$ICON_X" "$ICON_Y" click 3
  local end=$((SECONDS + 5)) r
  while ((SECONDS < end)); do
    sleep 0.3
    r=$(probe menu) || continue
    read -r -a _m <<<"$r"
    MENU="${_m[*]}"
    shot "$1"
    local w=$((_m[2] - _m[0])) h=$((_m[3] - _m[1]))
    EXIT_BOX=$(colour_box "$1" "$EXIT_GREEN" "$w" "$h" "${_m[0]}" "${_m[1]}") || continue
    SETTING_BOX=$(colour_box "$1" "$SETTING_RED" "$w" "$h" "${_m[0]}" "${_m[1]}") || continue
    return 0
  done
  return 1
}
# Keys go where the X keyboard focus is. Without a window manager nobody moves it to the
# window a person looks at, and Wine's explorer sometimes takes it for the taskbar, where
# a key never reaches the agent. So before a key the journeys do what a window manager
# does: they focus the agent's X window under the pointer (Wine gives each top-level
# window of the virtual desktop an X window of its own).
focus_under_pointer() {
  local x y w ax ay ww wh
  read -r x y < <(xdotool getmouselocation | sed -E 's/^x:([0-9]+) y:([0-9]+).*/\1 \2/')
  for w in $(xdotool search --onlyvisible --classname '^korvane\.exe$' 2>/dev/null); do
    read -r ax ay ww wh < <(xwininfo -id "$w" | awk '
      /Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
      /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}')
    if ((x >= ax && x < ax + ww && y >= ay && y < ay + wh)); then
      xdotool windowfocus "$w" 2>/dev/null
      return 0
    fi
  done
  return 1
}
press() { # key...
  focus_under_pointer
  xdotool key "$@"
}
type_digits() { # text
  focus_under_pointer
  xdotool type --delay 60 "$1"
}

# Escape, with the pointer resting on the menu's top border.
escape_menu() {
  local l t r b
  read -r l t r b <<<"$MENU"
  xdotool mousemove $(((l + r) / 2)) $((t + 1))
  sleep 0.2
  press Escape
  menu_closed 3
}
# A key to a dialog, with the pointer on its title bar.
key_to_dialog() { # key
  local l t r b
  read -r l t r b <<<"$WIN"
  xdotool mousemove $(((l + r) / 2)) $((t + 8))
  sleep 0.2
  press "$1"
}
menu_closed() { # timeout_s
  local end=$((SECONDS + $1))
  while ((SECONDS < end)); do
    probe menu >/dev/null || return 0
    sleep 0.2
  done
  return 1
}
# Clicks the caption of the item whose picture has this box.
click_item() { # "w h x y"
  local w h x y
  read -r w h x y <<<"$1"
  xdotool mousemove $((x + w + 30)) $((y + h / 2)) click 1
}

# Counting the lock recorder's lines.
lock_count() { [[ -f "$LOCKS" ]] && wc -l <"$LOCKS" || echo 0; }
wait_locks() { # count timeout_s
  local end=$((SECONDS + $2))
  while ((SECONDS < end)); do
    (($(lock_count) >= $1)) && return 0
    sleep 0.2
  done
  return 1
}

# The agent's private key as "name type data" lines, sorted.
stored_values() {
  wine reg query 'HKCU\SOFTWARE\Tessmark\Korvane' 2>/dev/null | tr -d '\r' |
    awk 'NF >= 2 && $2 ~ /^REG_/ {print $1, $2, $3}' | sort
}
stored_exactly() { [[ "$(stored_values)" == "$1" ]]; }
run_value() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Korvane.EXE \
    2>/dev/null | tr -d '\r' | awk '$1 == "Korvane.EXE"'
}
clear_registry() {
  wine reg delete 'HKCU\SOFTWARE\Tessmark\Korvane' /f >/dev/null 2>&1
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Korvane.EXE /f \
    >/dev/null 2>&1
  return 0
}

# The resolver's answer for the computer name. The hosts file is bind-mounted over
# /etc/hosts, so it is rewritten in place, never replaced.
resolve_to() { # address (none: the name is unknown)
  {
    printf '127.0.0.1\tlocalhost\n'
    [[ -n "${1:-}" ]] && printf '%s\tKORVANE-BENCH\n' "$1"
  } >"$HOSTS"
}

# Starts Korvane.exe as a person would, from its folder; sets AGENT_PID.
start_agent() { # log_file
  (cd "$AGENT_DIR" && exec env KORVANE_LOCK_RECORD="$LOCKS_WIN" wine "$KORVANE_EXE") \
    >"$1" 2>&1 &
  AGENT_PID=$!
  STARTED_PIDS+=("$AGENT_PID")
}
agent_running() { kill -0 "$AGENT_PID" 2>/dev/null; }
# Waits for the agent's end; sets AGENT_EXIT.
wait_agent_exit() { # timeout_s
  local end=$((SECONDS + $1))
  while ((SECONDS < end)); do
    if ! agent_running; then
      wait "$AGENT_PID"
      AGENT_EXIT=$?
      return 0
    fi
    sleep 0.2
  done
  return 1
}
