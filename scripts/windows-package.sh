#!/usr/bin/env bash
# make package-windows: the Windows installer (CPack's NSIS generator) in
# build-windows/quorvel/quorvel-<version>-win64-setup.exe, checked under Wine
# in a fresh prefix (profile "José"), in the time zone Europe/Berlin set the
# Windows way (scripts/windows/in-berlin.sh):
#  - it asks for no administrator (its manifest says asInvoker); its script
#    has the licence page (the project's LICENSE and the third-party notices),
#    the "Run Quorvel" box on the last page, the uninstaller's page saying
#    that the data folder stays and where, and its own branding line;
#  - installed silently (/S) into the user's own programs folder
#    (%LOCALAPPDATA%\Programs\Quorvel): programs, icon, data files and the
#    user's Start-menu entries are there; the user's data folder is seeded,
#    and a file already in it is left as it was; the console of the entry
#    "Quorvel data tool" runs quorvel-data by its name;
#  - the Windows scenario (scripts/windows/wine-scenario.sh) runs on the
#    installed program;
#  - uninstalled silently: the programs are gone, the user's data stay;
#  - nothing is left in the Linux home (no menu entries, icons or files).
# Installs mingw-w64, wine and nsis when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(pwd)/build-windows
fail() { echo "FAIL: $*" >&2; wine_stop 2>/dev/null || true; exit 1; }
if [ -z "${QUORVEL_BERLIN_VIEW:-}" ]; then
  scripts/install-deps.sh mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 nsis xvfb xauth xdotool imagemagick
  scripts/windows-build.sh
  echo "== The installer"
  rm -f "$out"/quorvel/quorvel-*-setup.exe
  (cd "$out/quorvel" && cpack -G NSIS >"$out/cpack.log" 2>&1) || { tail -n 30 "$out/cpack.log" >&2; fail "cpack failed"; }
  exec scripts/windows/in-berlin.sh "$0" "$@"
fi
setup=$(ls "$out"/quorvel/quorvel-*-win64-setup.exe)
echo "$setup ($(du -h "$setup" | cut -f1))"
grep -aq 'level="asInvoker"' "$setup" || fail "the installer asks for an administrator"
# The installer's pages, as its script (made by CPack) sets them.
nsi=$out/quorvel/_CPack_Packages/win64/NSIS/project.nsi
grep -q 'BrandingText "Quorvel [0-9.]*"' "$nsi" || fail "the installer keeps NSIS's branding line"
grep -q '^ *!insertmacro MUI_PAGE_LICENSE ".*LICENSE.txt"' "$nsi" || fail "the installer has no licence page"
grep -q '!define MUI_FINISHPAGE_RUN "$INSTDIR\\bin\\quorvel.exe"' "$nsi" || fail "the last page offers no Run Quorvel"
grep -q 'MUI_UNCONFIRMPAGE_TEXT_TOP ".*data folder is kept.*$APPDATA\\Brelwick\\Quorvel"' "$nsi" ||
  fail "the uninstaller's page does not say that the data folder stays"
for text in "MIT License" "Third-party notices" "GNU LIBRARY GENERAL PUBLIC LICENSE" "Jean-loup Gailly" \
  "Dieter Baron and Thomas Klausner" "Expat maintainers"; do
  grep -q "$text" "$out/quorvel/LICENSE.txt" || fail "the licence page lacks \"$text\""
done
echo "installer pages: licence (LICENSE and third-party notices), Run Quorvel, the uninstaller's note, branding"

export WINE_ROOT="$out/wine-install"
source scripts/windows/wine-common.bash
touch "$WINE_ROOT/home-mark"
wine_prefix
data="$WINE_APPDATA/Brelwick/Quorvel"
mkdir -p "$data"
echo "my own notes" >"$data/readme.txt"

echo "== Silent install"
timeout 300 wine "$setup" /S || fail "the installer failed"
timeout 60 wineserver -w || true
inst="$WINE_PROFILE/AppData/Local/Programs/Quorvel"
for f in bin/quorvel.exe bin/quorvel-data.exe bin/quorvel-data-console.cmd quorvel.ico LICENSE.txt data/config.hma \
  data/template_new.xml data/readme.txt Uninstall.exe; do
  [ -f "$inst/$f" ] || fail "not installed: $f"
done
menu=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Quorvel/Quorvel.lnk' | head -n 1)
[ -n "$menu" ] || fail "no Start-menu entry"
echo "Start-menu entry: ${menu#$WINEPREFIX/}"
[ -f "$(dirname "$menu")/Quorvel data tool.lnk" ] || fail "no Start-menu entry Quorvel data tool"
# The entry's console (cmd /k with the installed script): quorvel-data by its name.
# (A script of its own calls it: Wine passes no quotes within an argument on
# to cmd.)
printf '@echo off\r\ncall "%%LOCALAPPDATA%%\\Programs\\Quorvel\\bin\\quorvel-data-console.cmd"\r\nquorvel-data --version\r\n' \
  >"$WINEPREFIX/drive_c/console-check.cmd"
tool_out=$(timeout 120 wine cmd /c 'C:\console-check.cmd' 2>&1 | tr -d '\r') || fail "the data tool's console: $tool_out"
rm "$WINEPREFIX/drive_c/console-check.cmd"
grep -q 'quorvel-data --help' <<<"$tool_out" && grep -q '^quorvel-data [0-9]' <<<"$tool_out" ||
  fail "quorvel-data does not run by its name in the data tool's console: $tool_out"
echo "Start-menu entry Quorvel data tool: $(grep '^quorvel-data [0-9]' <<<"$tool_out")"
cmp -s "$inst/data/config.hma" "$data/config.hma" || fail "the data folder was not seeded with config.hma"
cmp -s "$inst/data/template_new.xml" "$data/template_new.xml" || fail "template_new.xml was not seeded"
[ "$(cat "$data/readme.txt")" = "my own notes" ] || fail "the installer overwrote a file of the data folder"

echo "== The scenario on the installed program"
scripts/with-display.sh scripts/windows/wine-scenario.sh "$inst/bin/quorvel.exe" "$WINE_ROOT" "$out/quorvel-installed.png"

echo "== Silent uninstall"
# The uninstaller copies itself away and removes the folder from there.
timeout 300 wine "$inst/Uninstall.exe" /S || fail "the uninstaller failed"
timeout 120 wineserver -w || true
[ ! -e "$inst" ] || fail "the uninstaller left $(find "$inst" | tr '\n' ' ')"
[ -z "$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Quorvel/*.lnk')" ] || fail "a Start-menu entry stays"
grep -q "<first>Ann</first>" "$data/user0.hma" || fail "the uninstaller touched the user's data"
[ -f "$data/config.hma" ] || fail "the uninstaller removed the registry"
wine_stop
left=$(home_marks)
[ -z "$left" ] || fail "Wine left these in the Linux home $LINUX_HOME: $left"
echo "Nothing left in the Linux home $LINUX_HOME"
echo "Windows installer checked: $setup"
