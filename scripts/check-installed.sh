#!/usr/bin/env bash
# Usage: check-installed.sh PREFIX [FILE_LIST]
# Checks an installed Quorvel under PREFIX (for example /usr, or the folder
# given to `cmake --install --prefix`): the installed files are there, the
# desktop entry is valid, and the launcher seeds a fresh data folder from
# the installed data files and starts the program, whose main window
# "Brelwick. - Quorvel Ondrala" appears and is then ended with File/Exit.
# A second start must leave the seeded files as they are.
# Runs on a virtual display when DISPLAY is not set. Uses a temporary
# XDG_DATA_HOME and HOME: a real user's data folder is never touched.
#
# PREFIX may be shared with other software (/usr): only this installation's
# own files are looked at. FILE_LIST names them, one absolute path a line
# (the output of `dpkg -L quorvel`, or CMake's install_manifest.txt). Without
# it they are the files of the installed package that owns PREFIX/bin/quorvel,
# and otherwise every file under PREFIX, which must then be a folder of this
# installation alone, not a system one.
set -euo pipefail
prefix=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
list=""
if [ $# -ge 2 ]; then list=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); fi

if [ -z "${DISPLAY:-}" ]; then
  exec "$here/with-display.sh" "$0" "$@"
fi

fail() { echo "FAIL: $*" >&2; exit 1; }

share="$prefix/share/quorvel/data"
# This installation's own files.
if [ -n "$list" ]; then
  [ -s "$list" ] || fail "the list of installed files $list is missing or empty"
  files=$(cat "$list")
elif package=$(dpkg-query -S "$prefix/bin/quorvel" 2>/dev/null | sed -n '1s/: .*//p') && [ -n "$package" ]; then
  files=$(dpkg-query -L "$package")
else
  case "$prefix" in
    / | /usr | /usr/local | /opt) fail "$prefix holds other software too: give the list of installed files" ;;
  esac
  # The trace log that the program writes beside itself is not installed.
  files=$(find "$prefix" \( -type f -o -type l \) ! -name '*_debuglog.txt')
fi
# Whether PATH is one of them (the same file, however the path is written).
ours() {
  local f
  while IFS= read -r f; do
    [ -n "$f" ] && [ "$f" -ef "$1" ] && return 0
  done <<<"$files"
  return 1
}
for f in bin/quorvel bin/quorvel-launcher bin/quorvel-data; do
  [ -x "$prefix/$f" ] || fail "$prefix/$f is missing or not executable"
  ours "$prefix/$f" || fail "$prefix/$f is not among the installed files"
done
"$prefix/bin/quorvel-data" --help | grep -q "export" || fail "$prefix/bin/quorvel-data --help does not list its subcommands"
for f in share/quorvel/data/config.hma share/quorvel/data/template_new.xml share/quorvel/data/readme.txt \
         share/applications/quorvel.desktop share/icons/hicolor/scalable/apps/quorvel.svg \
         share/doc/quorvel/copyright share/doc/quorvel/changelog.gz; do
  [ -s "$prefix/$f" ] || fail "$prefix/$f is missing or empty"
  ours "$prefix/$f" || fail "$prefix/$f is not among the installed files"
done
# Every installed program (a file put straight into PREFIX/bin) has its
# manual page. Other software's programs in a shared PREFIX/bin are not ours
# to judge.
programs=0
while IFS= read -r f; do
  if [ -z "$f" ] || [ -d "$f" ] || ! [ "$(dirname "$f")" -ef "$prefix/bin" ]; then continue; fi
  programs=$((programs + 1))
  page="$prefix/share/man/man1/$(basename "$f").1.gz"
  if ! [ -s "$page" ] || ! ours "$page"; then fail "no manual page $page"; fi
done <<<"$files"
[ "$programs" -ge 3 ] || fail "the installed files hold $programs programs in $prefix/bin"
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$prefix/share/applications/quorvel.desktop" 2>&1) || fail "desktop entry: $out"
  [ -z "$out" ] || fail "desktop entry: $out"
fi
# The desktop entry starts the installed launcher and names the installed icon.
desktop="$prefix/share/applications/quorvel.desktop"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -n 1)
icon=$(sed -n 's/^Icon=//p' "$desktop" | head -n 1)
if ! [ -x "$prefix/bin/$exec_cmd" ] || ! ours "$prefix/bin/$exec_cmd"; then
  fail "the desktop entry runs \"$exec_cmd\", which is not an installed program in $prefix/bin"
fi
icon_file="$prefix/share/icons/hicolor/scalable/apps/$icon.svg"
if ! [ -f "$icon_file" ] || ! ours "$icon_file"; then fail "the desktop entry's icon \"$icon\" is not installed"; fi
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
  # What an earlier run left in the trace log does not count.
  local log="$prefix/bin/quorvel_debuglog.txt" logged=0
  if [ -f "$log" ]; then logged=$(stat -c %s "$log"); fi
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
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  # File/Exit: the menu opens under "File"; Down reaches Exit past the
  # entries that need an open user. The input is sent without pauses: the
  # program receives the click and the keys in the order they were sent, and
  # the menu the click opens takes the keys that follow it.
  xdotool mousemove --window "$win" 17 12 click --delay 0 1
  xdotool key --clearmodifiers Down Down Down Down Down Down Down Down Down Down Return
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
  local written
  written=$(if [ -f "$log" ]; then tail -c +$((logged + 1)) "$log"; fi; cat "$tmp/stdout")
  grep -q "New Session" <<<"$written" || fail "no trace log start marker was written"
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
