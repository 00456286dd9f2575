#!/usr/bin/env bash
# Screenshots of the three dialogs and the tray into docs/: each dialog is opened by
# screenshots/show_dialog (the program's own template and dialog procedure), the tray's tip and menu
# by the real agent, under Wine with the Japanese code page, on a virtual X display, and
# cut out of a capture of the screen.
# Runs inside the test bench (scripts/bench-shell.sh), so the Setting dialog
# shows a chosen address; uses its own Wine prefix (<build>/shot-prefix).
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
root=$KORVANE_ROOT
locale_name=ja_JP.UTF-8

if [[ "${1:-}" != --inside ]]; then
  "$root/scripts/setup.sh" "$root/screenshots/packages.txt"
  # Wine takes its ANSI code page from the Unix locale: 932 needs a Japanese one.
  if ! locale -a | grep -qix 'ja_JP.utf8'; then
    grep -qx "$locale_name UTF-8" /etc/locale.gen 2>/dev/null ||
      echo "$locale_name UTF-8" >> /etc/locale.gen
    locale-gen >/dev/null
  fi
  wine_env_prepare -DKORVANE_TESTS=ON
  export LANG=$locale_name LC_ALL=$locale_name KORVANE_BENCH_PREFIX=shot-prefix
  exec "$root/scripts/bench-shell.sh" bash "$root/scripts/screenshots.sh" --inside
fi

# --- inside the bench, with the prefix of its own ---
build=$(wine_env_bench_build "${KORVANE_BUILD:-$root/build}")
shots=$build/shots
mkdir -p "$shots"
resolve_to 192.168.0.10 # the address the Setting dialog shows

# Wine's own faces (Marlett draws the caption buttons): Debian's Wine 8 does not look where
# fonts-wine puts them, but it reads every prefix's Fonts folder.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# The dialogs ask for MS PGothic (and, through MS Shell Dlg, MS UI Gothic in a Japanese
# locale). Of the free faces, Ume P Gothic's Latin text fits their templates best, as
# MS PGothic's does (ui/res/art/font_fit.py); Ume UI Gothic is its twin for MS UI Gothic.
fonts='HKCU\Software\Wine\Fonts\Replacements'
for face in 'ＭＳ Ｐゴシック:Ume P Gothic' 'MS PGothic:Ume P Gothic' 'MS UI Gothic:Ume UI Gothic'; do
  wine reg add "$fonts" /v "${face%%:*}" /d "${face#*:}" /f >/dev/null
done

# What the Setting dialog shows: Easy PC Lock and Quick Lock on, two trusted addresses.
key=$SETTINGS_KEY
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key" /v ComputerLock /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v QuickClick /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v IPList_1 /d 192.168.0.9 /f >/dev/null
wine reg add "$key" /v IPList_2 /d 192.168.0.10 /f >/dev/null

rect=$shots/rect.txt
rect_win="Z:${rect//\//\\}"
shoot() { # resource name
  rm -f "$rect"
  wine "$build/show_dialog.exe" "$1" "$rect_win" &
  local pid=$!
  for _ in $(seq 600); do [[ -s "$rect" ]] && break; sleep 0.1; done
  if [[ ! -s "$rect" ]]; then
    echo "screenshots: dialog $1 did not show" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  read -r x y w h < "$rect"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$root/docs/$2-dialog.png"
  wait "$pid"
  echo "docs/$2-dialog.png (${w}x${h})"
}
for dialog in 101:version-info 162:passcode 105:setting; do
  shoot "${dialog%%:*}" "${dialog#*:}"
done

# The Setting dialog under a computer's policy: Easy PC Lock held off, autostart held on,
# two trusted networks and a mistyped entry; then the policy goes again.
policy=$POLICY_KEY
wine reg add "$policy" /v ComputerLock /t REG_DWORD /d 0 /f >/dev/null
wine reg add "$policy" /v Autostart /t REG_DWORD /d 1 /f >/dev/null
for entry in 1:10.20.0.0/16 2:172.16.0.0/12 3:10.20.0.300; do
  wine reg add "$policy\TrustedNetworks" /v "${entry%%:*}" /d "${entry#*:}" /f >/dev/null
done
shoot 105 setting-policy
wine reg delete "${policy%\\Korvane}" /f >/dev/null
wine reg delete "$RUN_KEY" /v "$RUN_VALUE" /f >/dev/null 2>&1 || true

# The tray pictures: the real agent in the bench's desktop with the settings above (Easy PC
# Lock and Quick Lock on), its tip under the pointer, then its menu.
wine "$build/Korvane.exe" >"$shots/agent.log" 2>&1 &
agent=$!
trap 'kill "$agent" 2>/dev/null || true' EXIT
screen_size
probe=$build/screen_probe.exe
poll 20 tray_icon || { echo "screenshots: no tray icon" >&2; exit 1; }
# Each picture runs from a margin above and left of the window to the screen's corner.
picture() { # class margin_x margin_y name
  poll 10 window "$probe" "$1" || { echo "screenshots: no $1" >&2; exit 1; }
  local x=$((WIN[0] - $2)) y=$((WIN[1] - $3))
  import -window root -crop "$((SCREEN_W - x))x$((SCREEN_H - y))+$x+$y" +repage -strip \
    "$root/docs/$4.png"
  echo "docs/$4.png"
}
xdotool mousemove "$ICON_X" "$ICON_Y"
picture tooltips_class32 120 40 tray-tip
xdotool click 3
picture '#32768' 80 24 tray-menu
