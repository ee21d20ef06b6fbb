# Helpers of the Windows runs under Wine: a fresh Wine prefix whose user
# profile is named with a letter outside ASCII, bounded Wine calls, and the
# waits of a script that drives the programs with xdotool: each waits for
# what the program shows or writes (polling it), never for a fixed time.
# The caller sets WINE_ROOT (a temporary folder) before sourcing, and runs
# inside scripts/windows/in-berlin.sh, which gives Wine the machine time
# zone Europe/Berlin the Windows way: no TZ variable reaches the programs.

mkdir -p "$WINE_ROOT"
export WINEDEBUG=-all
# No Mono or Gecko installers: the program needs neither. No menu builder:
# it would put the installer's Start-menu entries and their icons into the
# Linux desktop's menus (~/.local/share, ~/.config/menus).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Nothing of these runs reaches the Linux home: Wine links the profile's
# Documents, Desktop and the like to HOME and the XDG folders, so they get a
# home of their own inside WINE_ROOT (and wine_prefix makes the profile's
# folders real ones).
LINUX_HOME=${LINUX_HOME:-$HOME}
export HOME="$WINE_ROOT/home" XDG_DATA_HOME="$WINE_ROOT/home/.local/share" XDG_CONFIG_HOME="$WINE_ROOT/home/.config"
export XDG_CACHE_HOME="$WINE_ROOT/home/.cache"
mkdir -p "$HOME"
export WINEPREFIX="$WINE_ROOT/prefix"
# Wine names the user profile after USER.
export USER="José"
unset TZ
WINE_PROFILE="$WINEPREFIX/drive_c/users/$USER"
WINE_APPDATA="$WINE_PROFILE/AppData/Roaming"

wine_prefix() {
  echo "== A fresh Wine prefix (profile $USER)"
  [ -n "${QUORVEL_BERLIN_VIEW:-}" ] || { echo "Wine runs inside scripts/windows/in-berlin.sh" >&2; return 1; }
  rm -rf "$WINEPREFIX"
  timeout 300 wineboot -i >"$WINE_ROOT/wineboot.log" 2>&1 || { cat "$WINE_ROOT/wineboot.log" >&2; return 1; }
  timeout 120 wineserver -w || true
  [ -d "$WINE_APPDATA" ] || { echo "Wine made no profile folder $WINE_APPDATA" >&2; return 1; }
  wine_own_folders "$WINE_PROFILE"
  local zone
  zone=$(wine reg query 'HKLM\System\CurrentControlSet\Control\TimeZoneInformation' /v TimeZoneKeyName 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  echo "Windows time zone: $zone"
}

# wine_own_folders PROFILE: the profile's shell folders (Documents, Desktop,
# Downloads...) that Wine made links to Linux folders become folders of their
# own, as on Windows: a report saved into Documents stays in the prefix.
wine_own_folders() {
  local link
  for link in "$1"/*; do
    [ -L "$link" ] || continue
    rm "$link"
    mkdir "$link"
  done
}

# home_marks: what Wine could have left in the Linux home since the mark
# file $WINE_ROOT/home-mark was made: menu entries, icons, desktop
# directories, files at the home's top. Prints them, one a line.
home_marks() {
  local mark=$WINE_ROOT/home-mark
  [ -e "$mark" ] || return 0
  {
    find "$LINUX_HOME/.local/share/applications" "$LINUX_HOME/.local/share/desktop-directories" \
      "$LINUX_HOME/.config/menus" "$LINUX_HOME/.local/share/icons" -newer "$mark" \( -iname '*wine*' -o -iname '*quorvel*' \
      -o -iname '*.desktop' -o -iname '*.menu' -o -iname '*.directory' \) 2>/dev/null
    find "$LINUX_HOME" -maxdepth 1 -newer "$mark" \( -iname '*quorvel*' -o -iname '*.html' -o -iname '*.csv' \
      -o -iname '*.zip' -o -iname '*.pdf' \) 2>/dev/null
  } | sort
}

wine_stop() { WINEPREFIX="$WINEPREFIX" timeout 30 wineserver -k 2>/dev/null || true; }

# fail_with_program LOG SHOT MESSAGE...: says what failed, with the screen
# (saved in SHOT) and the end of the program's output LOG, ends the program
# whose process is $pid (when set) and Wine, and exits 1.
fail_with_program() {
  local log=$1 shot=$2
  shift 2
  echo "FAIL: $*" >&2
  import -window root "$shot" 2>/dev/null && echo "the screen: $shot" >&2
  [ -f "$log" ] && tail -n 20 "$log" >&2
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  wine_stop
  exit 1
}

# wait_file FILE TEXT [SECONDS]: until the file holds the text (default 20 s).
wait_file() {
  local limit=${3:-20}
  for _ in $(seq 1 $((limit * 10))); do
    grep -qF -- "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# wait_window NAME_REGEX [SECONDS]: prints the id of a visible window whose
# name matches (default 30 s).
wait_window() {
  local id=""
  for _ in $(seq 1 $((${2:-30} * 10))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

visible_windows() { xdotool search --onlyvisible --name '.*' 2>/dev/null | sort || true; }

# new_window BEFORE [SECONDS]: prints the id of a visible window that is not
# in the list BEFORE (from visible_windows), once there is one (default 10 s).
# Wine's own 1x1 helper windows (a first program on a display makes some)
# are passed over.
new_window() {
  local id width
  for _ in $(seq 1 $((${2:-10} * 10))); do
    for id in $(comm -13 <(echo "$1") <(visible_windows)); do
      width=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null | sed -n 's/^WIDTH=//p')
      [ "${width:-0}" -gt 10 ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

# wait_gone WINDOW [SECONDS]: until the window is no longer shown.
wait_gone() {
  for _ in $(seq 1 $((${2:-10} * 10))); do
    visible_windows | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}

# close_notice [SECONDS]: the first start of a folder without preferences
# says once which units, clock and date style the desktop's settings gave;
# waits for that notice and closes it with Return (its Close button has the
# keyboard). Fails when no notice came.
close_notice() {
  local id
  id=$(wait_window '^Notice$' "${1:-30}") || return 1
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  xdotool key --window "$id" Return
  wait_gone "$id" 10
}

# wait_process PID [SECONDS]: until the process has ended (it is not reaped).
wait_process() {
  for _ in $(seq 1 $((${2:-30} * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

click() { xdotool mousemove --window "$1" "$2" "$3" click --delay 0 1; }
key() { xdotool key --clearmodifiers "$@"; }

# type_into WINDOW X Y TEXT: clicks into a field, empties it and types.
type_into() {
  click "$1" "$2" "$3"
  key ctrl+a BackSpace
  xdotool type --delay 30 -- "$4"
}

# click_until WINDOW X Y -- CHECK...: clicks, then runs CHECK (a bounded
# wait for what the click brings about); while it fails, clicks again, three
# times at most. Passes CHECK's output on.
click_until() {
  local window=$1 x=$2 y=$3
  shift 4
  for _ in 1 2 3; do
    click "$window" "$x" "$y"
    "$@" && return 0
  done
  return 1
}

# menu_pick WINDOW X Y KEYS... -- LAST...: opens the menu under (X, Y) with a
# click (again while no menu opens), walks it with KEYS, waiting after each
# Right until the submenu it enters is shown (the toolkit may show it as soon
# as its item is highlighted), and picks with LAST.
menu_pick() {
  local window=$1 x=$2 y=$3 base opened="" depth=1
  shift 3
  for _ in 1 2 3; do
    base=$(visible_windows)
    click "$window" "$x" "$y"
    opened=$(new_window "$base" 5) && break
  done
  [ -n "$opened" ] || return 1
  while [ "$1" != "--" ]; do
    key "$1"
    if [ "$1" = Right ]; then
      depth=$((depth + 1))
      windows_added "$base" "$depth" || return 1
    fi
    shift
  done
  shift
  key "$@"
}

# windows_added BEFORE COUNT: until at least COUNT visible windows are not in
# the list BEFORE (at most 5 s).
windows_added() {
  for _ in $(seq 1 50); do
    [ "$(comm -13 <(echo "$1") <(visible_windows) | grep -c .)" -ge "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# pick_until WINDOW X Y KEYS... -- LAST... -- CHECK...: menu_pick, then CHECK
# (a bounded wait for what the pick brings about); while it fails (a menu
# that closed again before its keys came: the window was not active yet),
# the menu is picked again, three times at most. An empty place of the
# window's tool bar is clicked first, which makes the window active.
pick_until() {
  local window=$1 x=$2 y=$3 pick=() check=()
  shift 3
  while [ "$1" != "--" ]; do pick+=("$1"); shift; done
  pick+=("--")
  shift
  while [ "$1" != "--" ]; do pick+=("$1"); shift; done
  shift
  check=("$@")
  for _ in 1 2 3; do
    click "$window" 700 38
    menu_pick "$window" "$x" "$y" "${pick[@]}" && "${check[@]}" && return 0
    key Escape Escape
  done
  return 1
}

# shot_settled FILE: a screenshot once the screen stops changing (the same
# pixels as the one just before it), at most 10 s.
shot_settled() {
  local last="" now
  for _ in $(seq 1 100); do
    import -window root "$1"
    now=$(identify -format '%#' "$1")
    [ "$now" = "$last" ] && return 0
    last=$now
    sleep 0.1
  done
  return 1
}

# refused_start EXE OUTPUT SHOT: starts EXE once more; it must show a
# message (saved in SHOT once drawn), end when its button is clicked, with
# status 1; its standard error goes to OUTPUT.
refused_start() {
  local exe=$1 before alert status=0
  before=$(visible_windows)
  (cd "$(dirname "$exe")" && exec timeout 60 wine "$exe" >"$2" 2>&1) &
  local second=$!
  alert=$(new_window "$before" 60) || { kill "$second" 2>/dev/null; return 1; }
  shot_settled "$3" || true
  # The message window's Close button, at its lower right corner.
  eval "$(xdotool getwindowgeometry --shell "$alert")"
  for _ in 1 2 3; do
    click "$alert" $((WIDTH - 47)) $((HEIGHT - 24))
    wait_process "$second" 5 && break
  done
  wait "$second" || status=$?
  [ "$status" = 1 ]
}
# icon_difference WINDOW ICO: how far the 32x32 icon that the window shows
# the desktop (_NET_WM_ICON, which Wine makes from the window's icon) is from
# the 32x32 image of the icon file ICO, as ImageMagick's normalised RMSE
# (0 the same, 1 nothing alike).
icon_difference() {
  local text
  text=$(mktemp --suffix=.txt)
  xprop -id "$1" -notype 32c _NET_WM_ICON | sed 's/^[^=]*= *//' | tr -d ' ' | tr ',' '\n' |
    awk 'NR == 1 { w = $1 } NR == 2 { h = $1; print "# ImageMagick pixel enumeration: " w "," h ",255,srgba" }
         NR > 2 && NR <= 2 + w * h { i = NR - 3; v = $1 + 0
           printf "%d,%d: (%d,%d,%d,%d)\n", i % w, int(i / w), int(v / 65536) % 256, int(v / 256) % 256, v % 256, int(v / 16777216) % 256 }' >"$text"
  compare -metric RMSE "txt:$text" "$2" null: 2>&1 | sed -n 's/.*(\(.*\))/\1/p'
  rm -f "$text"
}
