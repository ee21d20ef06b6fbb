#!/usr/bin/env bash
# Usage: text-size.sh QUORVEL_EXE DATA_FOLDER WINE_ROOT SHOT.png   (needs DISPLAY)
# The first start of quorvel.exe on a desktop scaled to 150 %: a Wine
# prefix of its own whose LogPixels value is 144 dots per inch. The
# program, aware of the DPI, must take 150 % as its text size, save it in
# preferences.xml and say so in the first start's notice, and draw its main
# window at that size. Saves a screenshot and ends with File/Exit.
set -euo pipefail
exe=$1
shipped=$2
WINE_ROOT=$3
shot=$4
source "$(dirname "$0")/wine-common.bash"
pid=""
fail() { fail_with_program "$WINE_ROOT/text-size" "${shot%.png}-failed.png" "$@"; }
wine_prefix
# Wine's own setting of the screen's DPI, read again when its server starts.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wine_stop
own="$WINE_PROFILE/AppData/Local/Programs/Quorvel"
mkdir -p "$own/bin" "$own/data"
cp "$exe" "$own/bin/"
cp "$shipped"/config.hma "$shipped"/template_new.xml "$shipped"/readme.txt "$own/data/"
data="$WINE_APPDATA/Brelwick/Quorvel"
(cd "$own/bin" && exec wine "$own/bin/quorvel.exe" >"$WINE_ROOT/text-size" 2>&1) &
pid=$!
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala' 90) || fail "the main window did not appear"
wait_file "$data/preferences.xml" "<textSize>150</textSize>" || fail "the desktop's 150 % was not saved as the text size"
close_notice || fail "no first-start notice, or it did not close"
shot_settled "$shot" || fail "the screen did not settle"
pick_until "$MAIN" 17 12 Down Down Down Down Down Down Down Down Down Down -- Return -- wait_process "$pid" 10 ||
  fail "File/Exit did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "File/Exit ended with status $status"
wine_stop
echo "a desktop at 150 % gave the text size 150 % ($shot)"
