#!/usr/bin/env bash
# Usage: wine-scenario.sh QUORVEL_EXE WINE_ROOT SHOT.png [HOLD_FILE_EXE]   (needs DISPLAY)
# The real quorvel.exe under Wine, driven like a person with xdotool: a data
# folder seeded with one user under the roaming AppData of the profile
# "José"; the user chosen, a Pulse entry added with the entry window's own
# date and time (which must be the time in Berlin, the zone of the Wine
# session), Pulse put on the chart, a second start refused while the first
# runs, File/Exit; the window must show the program's icon. With HOLD_FILE_EXE (scripts/windows/HoldFile.cpp) the
# entry is saved while that program holds the user's file without sharing,
# as an antivirus or a spreadsheet does: the save must wait for it and
# succeed. Checks the data file, the trace log beside the executable
# and saves a screenshot. Every step waits for what the program shows or
# writes (a window, a line of the trace log or of the data file, the end of
# the process), never for a fixed time; a click
# the program has not taken yet is given again.
# The program must already be in the prefix (copied or installed) and the
# prefix made by wine-common.bash's wine_prefix.
set -euo pipefail
exe=$1
WINE_ROOT=$2
shot=$3
holder_exe=${4:-}
source "$(dirname "$0")/wine-common.bash"
data="$WINE_APPDATA/Brelwick/Quorvel"
trace="${exe}_debuglog.txt"
pid=""
fail() { fail_with_program "$WINE_ROOT/stdout" "${shot%.png}-failed.png" "$@"; }

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
wait_file "$trace" "New Session" || fail "no start in the trace log"
wait_file "$trace" "Loaded file config.hma" || fail "the registry was not loaded"
# The window (and so the task bar) shows the program's own icon, not the
# toolkit's generic one.
icon=$(icon_difference "$MAIN" "$src/data/quorvel.ico[2]")
awk -v d="${icon:-1}" 'BEGIN { exit !(d < 0.05) }' || fail "the window does not show the program's icon (difference $icon)"

echo "== the first start names the units the desktop's settings gave"
close_notice || fail "no first-start notice, or it did not close"
grep -q "<clock>" "$data/preferences.xml" 2>/dev/null || fail "the first start saved no preferences"

echo "== a second start is refused"
refused_start "$exe" "$WINE_ROOT/second" "${shot%.png}-second.png" ||
  fail "the second start was not refused with status 1"
tr -d '\r' <"$WINE_ROOT/second" | grep -q "Quorvel is already running with the data folder C:.*Brelwick.Quorvel\.$" ||
  fail "the second start did not say why: $(cat "$WINE_ROOT/second")"
echo "second start refused with status 1"

echo "== choose the user, add a Pulse entry at the entry window's own time"
click_until "$MAIN" 80 119 -- wait_file "$trace" "user0.hma" 5 || fail "the user was not chosen"
W=$(click_until "$MAIN" 60 862 -- wait_window '^Add history entry for Vitals: Pulse$' 10) ||
  fail "no entry window for Pulse"
# The hour in Berlin around the moment the window filled in its time.
berlin_before=$(TZ=Europe/Berlin date '+%Y/%m/%d %I %p')
type_into "$W" 180 92 "72"
holder=""
if [ -n "$holder_exe" ]; then
  # Held from before the save until half a second after it began.
  rm -f "$WINE_ROOT/hold.txt"
  (cd "$data" && exec timeout 120 wine "$holder_exe" user0.hma .user0.hma.saving >"$WINE_ROOT/hold.txt" 2>&1) &
  holder=$!
  wait_file "$WINE_ROOT/hold.txt" "held" 60 || fail "hold-file did not take user0.hma: $(cat "$WINE_ROOT/hold.txt")"
fi
click "$W" 210 150
wait_file "$data/user0.hma" "<value>72.000000</value>" || fail "the entry was not saved"
if [ -n "$holder" ]; then
  status=0
  wait "$holder" || status=$?
  [ "$status" = 0 ] && grep -q released "$WINE_ROOT/hold.txt" || fail "hold-file (status $status): $(cat "$WINE_ROOT/hold.txt")"
  echo "the entry was saved while another program held user0.hma"
fi
berlin_after=$(TZ=Europe/Berlin date '+%Y/%m/%d %I %p')
stored=$(tr -d '\r' <"$data/user0.hma" |
  sed -n 's|.*<date>\(.*\)</date>.*|\1|p; s|.*<time>\([0-9]*\):[0-9]*:[0-9]* \(.M\)</time>.*|\1 \2|p' | paste -sd' ')
[ "$stored" = "$berlin_before" ] || [ "$stored" = "$berlin_after" ] ||
  fail "the entry's default time \"$stored\" is not the time in Berlin (\"$berlin_before\")"
echo "the entry's default time is Berlin's: $stored"

echo "== put Pulse on the chart"
wait_gone "$W" || fail "the entry window stayed open"
# The chart menu, then its first item's submenu, then the first variable.
pick_until "$MAIN" 190 38 Down Right -- Return -- wait_file "$WINE_ROOT/stdout" "There are 1 items checked" 5 ||
  fail "Pulse was not put on the chart"
shot_settled "$shot" || fail "the screen did not settle"

echo "== File/Exit"
# Down stops at the last item, File/Exit.
pick_until "$MAIN" 17 12 Down Down Down Down Down Down Down Down Down Down -- Return -- wait_process "$pid" 10 ||
  fail "File/Exit did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "File/Exit ended with status $status"
wait_file "$trace" "Saved file user0.hma" || fail "user0.hma was not saved on exit"
grep -q "<first>Ann</first>" "$data/user0.hma" || fail "the user file lost its data"
wine_stop
echo "Windows scenario under Wine: all steps passed ($shot)"
