#!/usr/bin/env bash
# Usage: first-start.sh QUORVEL_EXE WINE_ROOT SHOT.png   (needs DISPLAY)
# The first start of quorvel.exe for an account whose data folder does not
# exist yet (USER names the account; no installer ran for it): the program
# must seed the folder from the data files beside its own folder and show
# its main window, not an error. Saves a screenshot and ends with File/Exit.
set -euo pipefail
exe=$1
WINE_ROOT=$2
shot=$3
account=$USER
source "$(dirname "$0")/wine-common.bash"
export USER=$account
data="$WINEPREFIX/drive_c/users/$USER/AppData/Roaming/Brelwick/Quorvel"
pid=""
fail() { fail_with_program "$WINE_ROOT/first-start" "${shot%.png}-failed.png" "$@"; }
[ ! -e "$data" ] || fail "the data folder of $USER exists before the first start"
(cd "$(dirname "$exe")" && exec wine "$exe" >"$WINE_ROOT/first-start" 2>&1) &
pid=$!
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala' 90) || fail "the main window did not appear for $USER"
wait_file "${exe}_debuglog.txt" "Loaded file config.hma" || fail "the seeded registry was not loaded"
grep -q "Seeded .*config.hma" "${exe}_debuglog.txt" || fail "the trace log does not tell the seeding"
close_notice || fail "no first-start notice, or it did not close"
shot_settled "$shot" || fail "the screen did not settle"
# Down stops at the last item, File/Exit.
pick_until "$MAIN" 17 12 Down Down Down Down Down Down Down Down Down Down -- Return -- wait_process "$pid" 10 ||
  fail "File/Exit did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "File/Exit ended with status $status"
wine_stop
echo "first start of $USER: the data folder was seeded ($shot)"
