# Helpers of the Windows runs under Wine: a fresh Wine prefix whose user
# profile is named with a letter outside ASCII, and bounded Wine calls.
# The caller sets WINE_ROOT (a temporary folder) before sourcing.

mkdir -p "$WINE_ROOT"
export WINEDEBUG=-all
# No Mono or Gecko installers: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$WINE_ROOT/prefix"
# Wine names the user profile after USER; the time zone follows TZ.
export USER="José"
export TZ=Europe/Berlin
WINE_PROFILE="$WINEPREFIX/drive_c/users/$USER"
WINE_APPDATA="$WINE_PROFILE/AppData/Roaming"

wine_prefix() {
  echo "== A fresh Wine prefix (profile $USER)"
  rm -rf "$WINEPREFIX"
  timeout 300 wineboot -i >"$WINE_ROOT/wineboot.log" 2>&1 || { cat "$WINE_ROOT/wineboot.log" >&2; return 1; }
  timeout 120 wineserver -w || true
  [ -d "$WINE_APPDATA" ] || { echo "Wine made no profile folder $WINE_APPDATA" >&2; return 1; }
}

wine_stop() { WINEPREFIX="$WINEPREFIX" timeout 30 wineserver -k 2>/dev/null || true; }
