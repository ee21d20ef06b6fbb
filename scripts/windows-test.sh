#!/usr/bin/env bash
# make test-windows: the Windows programs under Wine, on this machine.
#  1. make windows (scripts/windows-build.sh) and the small helper
#     hold-file.exe (scripts/windows/HoldFile.cpp);
#  2. everything below runs where the machine's time zone is Europe/Berlin
#     and no TZ variable is set (scripts/windows/in-berlin.sh): Windows'
#     own zone, as a Windows machine set to Berlin has it;
#  3. a fresh Wine prefix whose user profile is "José";
#  4. the core GoogleTest suite cross-built with mingw-w64, run under Wine
#     (data folders with a letter outside ASCII, the safe save's
#     replace-and-flush and its retries, the time conversions across
#     daylight saving, standard output in binary...);
#  5. the real quorvel.exe in the profile's folder, driven with xdotool on a
#     virtual display (scripts/windows/wine-scenario.sh), with a save while
#     another program holds the file for a moment; its screenshot is
#     build-windows/quorvel-wine.png;
#  6. quorvel-data.exe on that data folder, with a user "Zoë Ångström":
#     `users` in a console (a terminal, through tmux) and redirected to a
#     file, an export redirected to a file and imported back, `check`
#     finding a user file that no record names, and a start refused when
#     the lock file cannot be opened;
#     then, with .zip files named outside ASCII (tests/windows/data-tool-archives.sh):
#     a backup, a phone's health export imported, the backup restored, and
#     a damaged backup and a .zip without the export refused;
#  7. a second account, "Zoë Ångström", never set up by an installer: the
#     program in her own programs folder seeds her missing data folder on
#     its first start;
#  8. a prefix of its own whose screen is at 150 % (LogPixels 144): the
#     first start takes 150 % as the text size (scripts/windows/text-size.sh);
#     its screenshot is build-windows/quorvel-wine-150.png.
# Before the program, the tests of the libraries built for it (zlib, expat,
# libzip: scripts/windows/test-libraries.sh) run under Wine too. Nothing is
# left in the Linux home (Wine gets its own, see wine-common.bash): the run
# fails if Wine wrote menu entries, icons or files there.
# Installs mingw-w64, wine and tmux when they are missing. Not part of make test.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${QUORVEL_BERLIN_VIEW:-}" ]; then
  scripts/install-deps.sh mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick tmux
  scripts/windows-build.sh
  x86_64-w64-mingw32-g++-posix -municode -static -O2 -Wall -Wextra -Werror scripts/windows/HoldFile.cpp \
    -o build-windows/hold-file.exe
  exec scripts/windows/in-berlin.sh "$0" "$@"
fi
out=$(cd build-windows && pwd)
export WINE_ROOT="$out/wine"
source scripts/windows/wine-common.bash
touch "$WINE_ROOT/home-mark"
fail() { echo "FAIL: $*" >&2; tmux -L quorvel-wine kill-server 2>/dev/null || true; wine_stop; exit 1; }

wine_prefix

# Tests of what only Linux has: file modes, the text of the Linux C library's
# ctime, years outside 1970 to 3000 (the range of the Windows runtime's 64-bit
# time conversions).
linux_only="TraceTest.TimeIsCtimesTextWithItsNewlineClosingTheBracket:TraceTest.LogFileIsPrivateToItsOwner"
linux_only+=":StoreSave.WritesThePrintedDocumentPrivatelyAndTracesIt:StoreSave.ReadOnlyFileIsRefusedAndKeepsItsContentAndMode"
linux_only+=":StoreSave.FailedRegistrySaveTakesTheChangeBack"
linux_only+=":DisplayMenuRulesSeries.EntriesBefore1970AreOrderedByTheirTrueTime"
linux_only+=":ChartMathTime.ExtremeYearsGiveABoundedReadableTimeAxis"
echo "== The core tests under Wine"
(cd "$out/quorvel" && QUORVEL_TEST_PROFILE=1 timeout 600 wine tests/quorvel_core_tests.exe \
  --gtest_filter="-$linux_only" --gtest_brief=1) 2>&1 | tr -d '\r' | tee "$WINE_ROOT/core-tests.log" | tail -n 30
grep -q '^\[  PASSED  \]' "$WINE_ROOT/core-tests.log" && ! grep -q '^\[  FAILED  \]' "$WINE_ROOT/core-tests.log" ||
  fail "The core tests failed under Wine."
wine_stop

echo "== The libraries' tests under Wine"
scripts/windows/test-libraries.sh "$out/libs" "$WINE_PROFILE/library-tests" || fail "the libraries' tests failed under Wine."
wine_stop

echo "== The program under Wine"
programs="$WINE_PROFILE/Programs/Quorvel"
mkdir -p "$programs"
cp "$out/quorvel/quorvel.exe" "$out/quorvel/quorvel-data.exe" "$out/hold-file.exe" "$programs/"
scripts/with-display.sh scripts/windows/wine-scenario.sh "$programs/quorvel.exe" "$WINE_ROOT" "$out/quorvel-wine.png" \
  "$programs/hold-file.exe"

echo "== quorvel-data.exe under Wine, with a user named outside ASCII"
data="$WINE_APPDATA/Brelwick/Quorvel"
tool="$programs/quorvel-data.exe"
sed -i 's|</config>|\t<patient id="1">\n\t\t<name>\n\t\t\t<first>Zoë</first>\n\t\t\t<last>Ångström</last>\n\t\t</name>\n\t\t<file>user1.hma</file>\n\t</patient>\n</config>|' \
  "$data/config.hma"
sed 's|<first/>|<first>Zoë</first>|; s|<last/>|<last>Ångström</last>|; s|<patient id="[0-9]*"|<patient id="1"|' \
  data/template_new.xml >"$data/user1.hma"

# Redirected, the tool writes UTF-8 bytes with the CSV's own line ends.
timeout 120 wine "$tool" users >"$WINE_ROOT/users.csv" 2>"$WINE_ROOT/users.err" || fail "users failed: $(cat "$WINE_ROOT/users.err")"
grep -q $'^1,Zoë,Ångström,user1.hma,.*\r$' "$WINE_ROOT/users.csv" || fail "users, redirected: $(od -c "$WINE_ROOT/users.csv" | head)"
! grep -q $'\r\r' "$WINE_ROOT/users.csv" || fail "users, redirected, doubled the carriage returns"
echo "users, redirected: UTF-8 with CRLF line ends"

# In a console, the names read right whatever its code page.
tmux -L quorvel-wine kill-server 2>/dev/null || true
tmux -L quorvel-wine -u new-session -d -x 150 -y 20 \
  "LANG=C.UTF-8 timeout 120 wine '$tool' users; echo \"users ended: \$?\"; tmux -L quorvel-wine wait-for -S done; sleep 600"
timeout 150 tmux -L quorvel-wine wait-for done || fail "users in a console did not end"
tmux -L quorvel-wine capture-pane -p -J >"$WINE_ROOT/users-console.txt"
tmux -L quorvel-wine kill-server
grep -q 'users ended: 0' "$WINE_ROOT/users-console.txt" || fail "users in a console: $(cat "$WINE_ROOT/users-console.txt")"
grep -q '^1,Zoë,Ångström,user1.hma' "$WINE_ROOT/users-console.txt" ||
  fail "users in a console garbled the names: $(cat "$WINE_ROOT/users-console.txt")"
echo "users, in a console: $(grep '^1,' "$WINE_ROOT/users-console.txt")"

# An export redirected to a file is read back by the tool's own import.
timeout 120 wine "$tool" export --user 0 >"$WINE_ROOT/export.csv" || fail "export failed"
cp "$WINE_ROOT/export.csv" "$programs/Zoë export.csv"
imported=$(cd "$programs" && timeout 120 wine "$tool" import --user 0 --dry-run "Zoë export.csv" 2>&1 | tr -d '\r') ||
  fail "the redirected export was not imported back: $imported"
grep -q 'would add 0, already present 1, refused 0' <<<"$imported" || fail "import of the redirected export: $imported"
echo "export > file, imported back: $imported"

# check reads the folder's names in UTF-8 under the profile "José": the unregistered
# user7.hma is listed (a file kept after its user was removed is no problem).
cp "$data/user0.hma" "$data/user7.hma"
status=0
timeout 120 wine "$tool" check >"$WINE_ROOT/check.txt" 2>&1 || status=$?
rm "$data/user7.hma"
[ "$status" = 0 ] && grep -q 'user7.hma: user file that no registry record names' "$WINE_ROOT/check.txt" ||
  fail "check did not find user7.hma (status $status): $(cat "$WINE_ROOT/check.txt")"
echo "check found the unregistered user7.hma"

echo "== Backup, restore and a phone's export under Wine, named outside ASCII"
tests/windows/data-tool-archives.sh "$tool" "$data" "$WINE_PROFILE/Documents/Zoë Ångström" ||
  fail "backup, restore or the phone's export under Wine"

# The lock file cannot be opened: no start. It lies in the local settings
# folder; with a file standing in that folder's place the lock is taken in
# the data folder itself, where a folder stands in its place.
# (A window program needs a Wine started on its display.)
wine_stop
local_settings="$WINE_PROFILE/AppData/Local/Brelwick/Quorvel"
rm -rf "$local_settings"
mkdir -p "$(dirname "$local_settings")"
: >"$local_settings"
mkdir "$data/quorvel.lock"
scripts/with-display.sh bash -c 'source scripts/windows/wine-common.bash; refused_start "$1" "$2" "$3"' refused \
  "$programs/quorvel.exe" "$WINE_ROOT/no-lock" "$out/quorvel-wine-no-lock.png" ||
  fail "a start without the lock was not refused with status 1: $(cat "$WINE_ROOT/no-lock")"
rmdir "$data/quorvel.lock"
rm "$local_settings"
tr -d '\r' <"$WINE_ROOT/no-lock" | grep -q 'Quorvel does not run without the lock on its data folder: cannot lock .*quorvel.lock' ||
  fail "the start without the lock did not say why: $(cat "$WINE_ROOT/no-lock")"
echo "start without the lock refused: $(tr -d '\r' <"$WINE_ROOT/no-lock")"
wine_stop

echo "== A second account: Zoë Ångström, first start"
export USER="Zoë Ångström"
second="$WINEPREFIX/drive_c/users/$USER"
own="$second/AppData/Local/Programs/Quorvel"
mkdir -p "$own/bin" "$own/data"
cp "$out/quorvel/quorvel.exe" "$own/bin/"
cp data/config.hma data/template_new.xml data/readme.txt "$own/data/"
scripts/with-display.sh scripts/windows/first-start.sh "$own/bin/quorvel.exe" "$WINE_ROOT" "$out/quorvel-wine-second.png" ||
  fail "the second account's first start"
for f in config.hma template_new.xml readme.txt; do
  cmp -s "$own/data/$f" "$second/AppData/Roaming/Brelwick/Quorvel/$f" || fail "$f was not seeded for $USER"
done
wine_stop

echo "== A desktop at 150 %: the text size follows it"
scripts/with-display.sh scripts/windows/text-size.sh "$out/quorvel/quorvel.exe" data "$WINE_ROOT/text-size" \
  "$out/quorvel-wine-150.png" || fail "the first start at 150 %"
left=$(home_marks)
[ -z "$left" ] || fail "Wine left these in the Linux home $LINUX_HOME: $left"
echo "Nothing left in the Linux home $LINUX_HOME"
echo "Windows tests passed."
