# Sourced by the commands in scripts/ and the shell tests: their common opening, a private
# Wine prefix and an X display, the bench's screen and resolver, and the product's registry
# names. Everything started here is stopped by wine_env_stop, by process id or prefix only.
KORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The product's registry names, read from its headers, where they are written once.
header_text() { # header constant
  sed -n "s/.*\b$2\[\] = \"\(.*\)\";/\1/p" "$KORVANE_ROOT/$1" | sed 's/\\\\/\\/g'
}
SETTINGS_KEY="HKCU\\$(header_text settings/common_reg.h kSettingsKey)"
POLICY_KEY="HKLM\\$(header_text settings/policy.h kPolicyKey)"
RUN_KEY="HKCU\\$(header_text settings/common_reg.h kRunKey)"
RUN_VALUE=$(header_text settings/common_reg.h kRunValueName)

# True when this kernel runs 32-bit Linux programs, as wine32 is. A kernel booted with
# ia32_emulation=off refuses them; there the bench runs the same sources built for x86-64
# under 64-bit Wine instead (wine_env_bench_build).
runs_32bit() {
  # Asked by every script and again inside the bench: the answer is kept for the children.
  [[ -z "${KORVANE_RUNS_32BIT:-}" ]] || return "$KORVANE_RUNS_32BIT"
  # The smallest 32-bit program: exit(42) through int 0x80.
  local probe rc=0
  probe=$(mktemp)
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\273\52\0\0\0\315\200' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  export KORVANE_RUNS_32BIT=$((rc == 42 ? 0 : 1))
  return "$KORVANE_RUNS_32BIT"
}

# The build the bench runs: the product's own (i686) where 32-bit programs run, else its
# x86-64 twin in <build>/x64 (scripts/build.sh makes it).
wine_env_bench_build() {  # $1 = build folder
  if runs_32bit; then echo "$1"; else echo "$1/x64"; fi
}

# The opening of every command that runs the program: what is missing installed, the tree
# built (arguments go to scripts/build.sh), and BUILD set to the build the bench runs.
wine_env_prepare() {
  "$KORVANE_ROOT/scripts/setup.sh"
  "$KORVANE_ROOT/scripts/build.sh" "$@"
  BUILD=$(wine_env_bench_build "${KORVANE_BUILD:-$KORVANE_ROOT/build}")
}

# A private prefix on a display, stopped on every way out of the calling script: the current
# display and its tray when one answers (unless "virtual"), else a virtual one with Wine's
# taskbar, as a bare X display has no tray.
wine_env_open() { # prefix [virtual]
  wine_env_init "$1"
  trap wine_env_stop EXIT
  trap 'exit 130' INT TERM # an interrupted run still stops what it started
  wine_env_display "${2:-}"
  if [[ -n "$_xvfb_pid" ]]; then wine_env_start shell; else wine_env_start; fi
}

wine_env_init() {  # $1 = prefix folder
  export WINEPREFIX=$1 WINEARCH=win32
  if ! runs_32bit; then
    # Debian's wine scripts start wine32 whenever it is installed: point them at wine64.
    WINEARCH=win64
    local bin=$1.bin
    mkdir -p "$bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
      chmod +x "$bin/$name"
    done
    export PATH=$bin:$PATH WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
  fi
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko prompts when the prefix is made; the agent needs neither.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  _xvfb_pid=
}

# Uses the current display when it answers, otherwise starts a virtual one.
wine_env_display() {  # $1 = "virtual" to always start Xvfb
  if [[ "${1:-}" != virtual && -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n=90
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "wine-env: Xvfb did not come up on $DISPLAY" >&2
  return 1
}

# One persistent wineserver for the whole session; makes the prefix on first use.
# With "shell", windows live in a virtual desktop named shell, which has a taskbar
# with a notification area (a bare X display would dock tray icons slowly, and a
# display without a tray would not show them at all).
wine_env_start() {  # $1 = "shell" for the virtual desktop with a taskbar
  mkdir -p "$WINEPREFIX"
  wineserver -p
  # Only a new prefix gets wineboot: every wineboot also starts the HKCU Run entries.
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "wine-env: creating the prefix $WINEPREFIX (first run only)"
    wineboot -i >/dev/null 2>&1 || true
  fi
  local key='HKCU\Software\Wine\Explorer'
  if [[ "${1:-}" == shell ]]; then
    local size
    size=$(xdpyinfo | awk '/dimensions:/ {d = $2} END {print d}')
    wine reg add "$key" /v Desktop /d shell /f >/dev/null 2>&1
    wine reg add "$key\Desktops" /v shell /d "${size:-1280x1024}" /f >/dev/null 2>&1
  else
    wine reg delete "$key" /v Desktop /f >/dev/null 2>&1 || true
  fi
  # Start the prefix's services now, detached from any test's output.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  [[ -n "${WINEPREFIX:-}" ]] && wineserver -k 2>/dev/null || true
  if [[ -n "${_xvfb_pid:-}" ]]; then kill "$_xvfb_pid" 2>/dev/null || true; wait "$_xvfb_pid" 2>/dev/null || true; fi
  _xvfb_pid=
}

# Runs a command until it succeeds, for up to the given seconds; fails when time runs out.
poll() { # seconds command...
  local end=$((SECONDS + $1))
  until "${@:2}"; do ((SECONDS < end)) || return 1; sleep 0.2; done
}

# Makes the bench's resolver answer the computer name (the host name in capitals) with these
# addresses, none for an unknown name: the hosts file bind-mounted on /etc/hosts, rewritten
# in place. tests/kit.cpp writes the same lines for the programs.
resolve_to() { # address...
  local line=$'127.0.0.1\tlocalhost\n' name address
  name=$(hostname)
  for address; do line+="$address"$'\t'"${name^^}"$'\n'; done
  printf '%s' "$line" >"$KORVANE_BENCH_HOSTS"
}

# --- The bench's screen, as the screenshots and the journeys read it ---
# Bounding box of one colour in a region of the screen: BOX=(w h x y), x and y absolute.
colour_box() { # colour w h x y
  local b; b=$(import -window root png:- | convert png:- -crop "$2x$3+$4+$5" +repage -fuzz 4% \
    -fill black +opaque "$1" -format '%@' info: 2>/dev/null)
  [[ $b =~ ^([1-9][0-9]*)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
  BOX=("${BASH_REMATCH[@]:1:2}" $((BASH_REMATCH[3] + $4)) $((BASH_REMATCH[4] + $5)))
}
screen_size() { read -r SCREEN_W SCREEN_H < <(xdpyinfo | awk '/dimensions:/ {sub("x", " ", $2); print $2}'); }
# The tray icon: the yellow-green disc all four of its pictures draw, once in the taskbar.
# ICON_X and ICON_Y point at it.
disc() { colour_box '#CCFF00' "$SCREEN_W" 48 0 $((SCREEN_H - 48)); }
tray_icon() { disc && ((BOX[0] <= 9 && BOX[1] <= 9)) && ICON_X=$((BOX[2] + 4)) ICON_Y=$((BOX[3] + 4)); }
# A visible top-level window by class and caption (any caption without one), as the bench's
# screen_probe.exe lists them: WIN=(outer l t r b, client l t r b).
window() { # probe class [caption]
  read -r -a FOUND < <(wine "$1" 2>/dev/null | tr -d '\r' | awk -F'\t' -v c="$2" -v t="${3-}" \
    -v any="${3+no}" '$1 == c && (any != "no" || $2 == t) {print $3, $4; exit}') && WIN=("${FOUND[@]}")
}

# Probed once, when a script sources this file; its children inherit the answer.
runs_32bit || true
