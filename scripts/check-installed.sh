#!/usr/bin/env bash
# Usage: check-installed.sh PREFIX
# Checks an installed Quorvel under PREFIX (for example /usr, or the folder
# given to `cmake --install --prefix`): the installed files are there, the
# desktop entry is valid, and the launcher seeds a fresh data folder from
# the installed data files and starts the program, whose main window
# "Brelwick. - Quorvel Ondrala" appears and is then ended with File/Exit.
# A second start must leave the seeded files as they are.
# Runs on a virtual display when DISPLAY is not set. Uses a temporary
# XDG_DATA_HOME and HOME: a real user's data folder is never touched.
set -euo pipefail
prefix=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ]; then
  exec "$here/with-display.sh" "$0" "$@"
fi

fail() { echo "FAIL: $*" >&2; exit 1; }

share="$prefix/share/quorvel/data"
for f in bin/quorvel bin/quorvel-launcher bin/quorvel-data; do
  [ -x "$prefix/$f" ] || fail "$prefix/$f is missing or not executable"
done
"$prefix/bin/quorvel-data" --help | grep -q "export" || fail "$prefix/bin/quorvel-data --help does not list its subcommands"
for f in share/quorvel/data/config.hma share/quorvel/data/template_new.xml share/quorvel/data/readme.txt \
         share/applications/quorvel.desktop share/icons/hicolor/scalable/apps/quorvel.svg \
         share/doc/quorvel/copyright share/doc/quorvel/changelog.gz; do
  [ -s "$prefix/$f" ] || fail "$prefix/$f is missing or empty"
done
# Every installed program has its manual page.
for exe in "$prefix"/bin/*; do
  page="$prefix/share/man/man1/$(basename "$exe").1.gz"
  [ -s "$page" ] || fail "no manual page $page"
done
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$prefix/share/applications/quorvel.desktop" 2>&1) || fail "desktop entry: $out"
  [ -z "$out" ] || fail "desktop entry: $out"
fi
# The desktop entry starts the installed launcher and names the installed icon.
desktop="$prefix/share/applications/quorvel.desktop"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -n 1)
icon=$(sed -n 's/^Icon=//p' "$desktop" | head -n 1)
[ -x "$prefix/bin/$exec_cmd" ] || fail "the desktop entry runs \"$exec_cmd\", which is not in $prefix/bin"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the desktop entry's icon \"$icon\" is not installed"
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/quorvel.svg" || fail "the icon is not well-formed"
  xmllint --noout "$share/config.hma" "$share/template_new.xml" || fail "installed data files are not well-formed"
fi
echo "ok: installed files under $prefix"

tmp=$(mktemp -d)
pid=""
holder=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  if [ -n "$holder" ]; then kill "$holder" 2>/dev/null || true; wait "$holder" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
# An X server resets when its last client leaves, and refuses connections
# for a moment while it does. A client that waits for a window that never
# comes keeps the display open between the program's runs.
xdotool search --sync --name '^quorvel-check-installed-keeps-the-display$' >/dev/null 2>&1 &
holder=$!
mkdir -p "$tmp/home"
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/xdg"
unset QUORVEL_SHARE QUORVEL_EXE
folder="$XDG_DATA_HOME/Brelwick/Quorvel"

# Starts the launcher, waits for the main window and closes it.
run_once() {
  "$prefix/bin/quorvel-launcher" >"$tmp/stdout" 2>"$tmp/stderr" &
  pid=$!
  local win=""
  for _ in $(seq 1 150); do
    win=$(xdotool search --onlyvisible --name '^Brelwick\. - Quorvel Ondrala$' 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then
      cat "$tmp/stderr" >&2
      fail "the program ended before its window appeared"
    fi
    sleep 0.2
  done
  [ -n "$win" ] || fail "the window \"Brelwick. - Quorvel Ondrala\" did not appear"
  # The launcher hands over to the installed program itself.
  local exe
  exe=$(readlink -f "/proc/$pid/exe")
  [ "$exe" = "$(readlink -f "$prefix/bin/quorvel")" ] || fail "the running program is $exe, not $prefix/bin/quorvel"
  sleep 0.5
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  # File/Exit: the menu opens under "File"; Down reaches Exit past the
  # entries that need an open user.
  xdotool mousemove --window "$win" 17 12 click 1
  sleep 0.5
  for k in Down Down Down Down Return; do
    xdotool key --clearmodifiers "$k"
    sleep 0.2
  done
  local status=0
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" || true
    pid=""
    fail "File/Exit did not end the program"
  fi
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
  # The trace log lies beside the program, or on standard output when that
  # folder cannot be written.
  grep -q "New Session" "$prefix/bin/quorvel_debuglog.txt" "$tmp/stdout" 2>/dev/null ||
    fail "no trace log start marker was written"
}

[ ! -e "$folder" ] || fail "the data folder exists before the first start"
run_once
for f in config.hma template_new.xml readme.txt; do
  [ -f "$folder/$f" ] || fail "the launcher did not seed $f"
  cmp -s "$folder/$f" "$share/$f" || fail "the seeded $f differs from the installed one"
  [ "$(stat -c %a "$folder/$f")" = 600 ] || fail "$f is readable by others"
done
[ "$(stat -c %a "$folder")" = 700 ] || fail "the data folder is readable by others"
echo "ok: the launcher seeded a fresh data folder and the main window appeared and closed"

# A second start keeps what the user has.
printf '\nmy own note\n' >>"$folder/readme.txt"
cp "$folder/readme.txt" "$tmp/readme.kept"
run_once
cmp -s "$folder/readme.txt" "$tmp/readme.kept" || fail "a second start overwrote readme.txt"
echo "ok: a second start left the data folder as it was"
