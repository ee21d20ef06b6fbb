#!/usr/bin/env bash
# make test-windows: the Windows program under Wine, on this machine.
#  1. make windows (scripts/windows-build.sh);
#  2. a fresh Wine prefix whose user profile is "José", Wine in the time zone
#     Europe/Berlin;
#  3. the core GoogleTest suite cross-built with mingw-w64, run under Wine
#     (data folders with a letter outside ASCII, the safe save's
#     replace-and-flush, the time conversions across daylight saving);
#  4. the real quorvel.exe in the profile's folder, driven with xdotool on a
#     virtual display (scripts/windows/wine-scenario.sh); its screenshot is
#     build-windows/quorvel-wine.png;
#  5. quorvel-data.exe lists the user that the scenario's data folder holds.
# Installs mingw-w64 and wine when they are missing. Not part of make test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick
scripts/windows-build.sh
out=$(cd build-windows && pwd)
export WINE_ROOT="$out/wine"
source scripts/windows/wine-common.bash

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
  { echo "The core tests failed under Wine." >&2; wine_stop; exit 1; }
wine_stop

echo "== The program under Wine"
programs="$WINE_PROFILE/Programs/Quorvel"
mkdir -p "$programs"
cp "$out/quorvel/quorvel.exe" "$out/quorvel/quorvel-data.exe" "$programs/"
scripts/with-display.sh scripts/windows/wine-scenario.sh "$programs/quorvel.exe" "$WINE_ROOT" "$out/quorvel-wine.png"

echo "== quorvel-data.exe under Wine"
listed=$(timeout 120 wine "$programs/quorvel-data.exe" users 2>&1 | tr -d '\r' || true)
wine_stop
echo "$listed"
grep -q "Ann" <<<"$listed" || { echo "quorvel-data.exe did not list the user Ann." >&2; exit 1; }
echo "Windows tests passed."
