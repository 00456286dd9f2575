#!/usr/bin/env bash
# Screenshots of the three dialogs into docs/: each dialog is opened by scripts/show_dialog
# (the program's own template and dialog procedure) under Wine with the Japanese code page,
# on a virtual X display, and cut out of a capture of the screen.
# Runs inside the test bench (scripts/bench-shell.sh), so the Setting dialog
# shows a chosen address; uses its own Wine prefix (<build>/shot-prefix).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD:-$root/build}
locale_name=ja_JP.UTF-8

if [[ "${1:-}" != --inside ]]; then
  "$root/scripts/setup.sh"
  # Wine takes its ANSI code page from the Unix locale: 932 needs a Japanese one.
  if ! locale -a | grep -qix 'ja_JP.utf8'; then
    grep -qx "$locale_name UTF-8" /etc/locale.gen 2>/dev/null ||
      echo "$locale_name UTF-8" >> /etc/locale.gen
    locale-gen >/dev/null
  fi
  "$root/scripts/build.sh" -DKORVANE_TESTS=ON
  export LANG=$locale_name LC_ALL=$locale_name KORVANE_BENCH_PREFIX=shot-prefix
  exec "$root/scripts/bench-shell.sh" bash "$root/scripts/screenshots.sh" --inside
fi

# --- inside the bench, with the prefix of its own ---
shots=$build/shots
mkdir -p "$shots"
# The Setting dialog shows this address (the hosts file is rewritten in place).
printf '127.0.0.1\tlocalhost\n192.168.0.10\tKORVANE-BENCH\n' > "$build/bench/hosts"

# The dialogs ask for MS PGothic (and, through MS Shell Dlg, MS UI Gothic in a Japanese
# locale); IPA's proportional Gothic is the free face with the closest metrics.
fonts='HKCU\Software\Wine\Fonts\Replacements'
for face in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
  wine reg add "$fonts" /v "$face" /d IPAPGothic /f >/dev/null
done

# What the Setting dialog shows: Easy PC Lock and Quick Lock on, two trusted addresses.
key='HKCU\SOFTWARE\Tessmark\Korvane'
wine reg delete "$key" /f >/dev/null 2>&1 || true
wine reg add "$key" /v ComputerLock /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v QuickClick /t REG_DWORD /d 1 /f >/dev/null
wine reg add "$key" /v IPList_1 /d 192.168.0.9 /f >/dev/null
wine reg add "$key" /v IPList_2 /d 192.168.0.10 /f >/dev/null

rect=$shots/rect.txt
rect_win="Z:${rect//\//\\}"
for dialog in 101:version-info 162:passcode 105:setting; do
  id=${dialog%%:*} name=${dialog#*:}
  rm -f "$rect"
  wine "$build/show_dialog.exe" "$id" "$rect_win" &
  pid=$!
  for _ in $(seq 600); do [[ -s "$rect" ]] && break; sleep 0.1; done
  if [[ ! -s "$rect" ]]; then
    echo "screenshots: dialog $id did not show" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  read -r x y w h < "$rect"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip "$root/docs/${name}-dialog.png"
  wait "$pid"
  echo "docs/${name}-dialog.png (${w}x${h})"
done
