#!/usr/bin/env bash
# Usage: wine-scenario.sh QUORVEL_EXE WINE_ROOT SHOT.png   (needs DISPLAY)
# The real quorvel.exe under Wine, driven like a person with xdotool: a data
# folder seeded with one user under the roaming AppData of the profile
# "José"; the user chosen, a Pulse entry added, Pulse put on the chart, a
# second start refused while the first runs, File/Exit. Checks the data
# file, the trace log beside the executable and saves a screenshot.
# The program must already be in the prefix (copied or installed) and the
# prefix made by wine-common.bash's wine_prefix.
set -euo pipefail
exe=$1
WINE_ROOT=$2
shot=$3
source "$(dirname "$0")/wine-common.bash"
data="$WINE_APPDATA/Brelwick/Quorvel"
trace="${exe}_debuglog.txt"
pid=""
fail() {
  echo "FAIL: $*" >&2
  [ -f "$WINE_ROOT/stdout" ] && tail -n 20 "$WINE_ROOT/stdout" >&2
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  wine_stop
  exit 1
}
wait_window() {  # NAME_REGEX [SECONDS]
  local id=""
  for _ in $(seq 1 $((${2:-30} * 10))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
wait_contains() {  # FILE TEXT
  for _ in $(seq 1 200); do grep -qF -- "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  fail "$1 does not contain: $2"
}
click() { xdotool mousemove --window "$1" "$2" "$3"; sleep 0.1; xdotool click 1; sleep 0.4; }
key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
type_into() {
  click "$1" "$2" "$3"
  key ctrl+a; key BackSpace
  xdotool type --delay 30 -- "$4"; sleep 0.2
}

echo "== a data folder with one user under $data"
mkdir -p "$data"
src=$(cd "$(dirname "$0")/../.." && pwd)
for f in config.hma template_new.xml readme.txt; do [ -f "$data/$f" ] || cp "$src/data/$f" "$data/"; done
printf '<config>\n\t<patient id="0">\n\t\t<name>\n\t\t\t<first>Ann</first>\n\t\t\t<last>Lee</last>\n\t\t</name>\n\t\t<file>user0.hma</file>\n\t</patient>\n</config>\n' \
  >"$data/config.hma"
sed 's|<first/>|<first>Ann</first>|; s|<last/>|<last>Lee</last>|' "$src/data/template_new.xml" >"$data/user0.hma"
rm -f "$trace"

echo "== start"
(cd "$(dirname "$exe")" && exec wine "$exe" >"$WINE_ROOT/stdout" 2>&1) &
pid=$!
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala' 90) || fail "the main window did not appear"
sleep 2
wait_contains "$trace" "New Session"
wait_contains "$trace" "Loaded file config.hma"

echo "== a second start is refused"
status=0
before=$(xdotool search --onlyvisible --name '.*' 2>/dev/null | sort || true)
(cd "$(dirname "$exe")" && timeout 60 wine "$exe" >"$WINE_ROOT/second" 2>&1) &
second=$!
alert=""
for _ in $(seq 1 200); do
  alert=$(comm -13 <(echo "$before") <(xdotool search --onlyvisible --name '.*' 2>/dev/null | sort) | tail -n 1)
  [ -n "$alert" ] && break
  sleep 0.2
done
[ -n "$alert" ] || fail "the second start showed no message"
sleep 1
import -window root "${shot%.png}-second.png"
# The message window's Close button, at its lower right corner.
eval "$(xdotool getwindowgeometry --shell "$alert")"
click "$alert" $((WIDTH - 47)) $((HEIGHT - 24))
wait "$second" || status=$?
[ "$status" = 1 ] || fail "the second start ended with status $status, not 1"
tr -d '\r' <"$WINE_ROOT/second" | grep -q "Quorvel is already running with the data folder C:.*Brelwick.Quorvel\.$" ||
  fail "the second start did not say why: $(cat "$WINE_ROOT/second")"
echo "second start refused with status 1"

echo "== choose the user, add a Pulse entry, put Pulse on the chart"
click "$MAIN" 80 119
wait_contains "$trace" "user0.hma"
click "$MAIN" 60 862
W=$(wait_window '^Add history entry for Vitals: Pulse$') || fail "no entry window for Pulse"
type_into "$W" 180 32 "2026/12/01"
type_into "$W" 180 62 "08:00:00 AM"
type_into "$W" 180 92 "72"
click "$W" 210 150
wait_contains "$data/user0.hma" "<value>72.000000</value>"
wait_contains "$data/user0.hma" "<date>2026/12/01</date>"
sleep 1
click "$MAIN" 700 38   # an empty place of the tool bar: the main window has the keyboard again
click "$MAIN" 190 38
key Down; key Right; key Return
sleep 2
wait_contains "$WINE_ROOT/stdout" "There are 1 items checked"
import -window root "$shot"

echo "== File/Exit"
click "$MAIN" 17 12
key Down Down Down Down Down Down Down Down Down Down Return  # Down stops at the last item, File/Exit
status=0
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "File/Exit ended with status $status"
wait_contains "$trace" "Saved file user0.hma"
grep -q "<first>Ann</first>" "$data/user0.hma" || fail "the user file lost its data"
wine_stop
echo "Windows scenario under Wine: all steps passed ($shot)"
