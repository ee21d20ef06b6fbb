#!/usr/bin/env bash
# Start-up of the real program: a missing data folder, a missing or damaged
# registry, no application-data folder at all, an empty registry, and the
# trace log's start markers across runs.
# Usage: startup.sh <path of the quorvel binary> <source folder>
set -u
binary=$1
source_dir=$2
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-startup.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# Each run of this script has its own copy of the program, so its own log.
mkdir -p "$work/bin" "$work/io"
cp "$binary" "$work/bin/quorvel"
program=$work/bin/quorvel
log=$program"_debuglog.txt"

failures=0
runs=0
pass() { echo "ok: $1"; }
fail() { echo "FAILED: $1"; failures=$((failures + 1)); }
expect() {  # expect <description> <command...>
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# Starts the program with the given environment assignments; sets pid.
start() {
  runs=$((runs + 1))
  env "$@" "$program" >"$work/io/out" 2>"$work/io/err" &
  pid=$!
  pids+=("$pid")
}

# The first visible window of the program, waiting at most 20 s.
window_of() {
  timeout 20 xdotool search --sync --onlyvisible --pid "$1" 2>/dev/null | head -n1
}

# Presses a key in a window (the toolkit's dialogs close on Return), once
# the window has the keyboard focus.
press() {
  timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null
  xdotool key --clearmodifiers "$2" 2>/dev/null
}

# Waits at most $2 seconds for the process to end and sets status to its
# exit status, or to "running" when it is still there.
await_exit() {
  local p=$1 limit=$2 i
  for ((i = 0; i < limit * 10; i++)); do
    kill -0 "$p" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$p" 2>/dev/null; then
    status=running
    return
  fi
  wait "$p"
  status=$?
}

# Closes the alert the program shows and sets status to its exit status.
answer_alert() {
  local w
  w=$(window_of "$pid")
  if [[ -z $w ]]; then
    status=no-alert
    return
  fi
  press "$w" Return
  await_exit "$pid" 10
  if [[ $status == running ]]; then  # a second try: close the window itself
    xdotool windowclose "$w" 2>/dev/null
    await_exit "$pid" 5
  fi
}

only_log_created() {  # nothing but the program and its log beside it
  [[ "$(ls -A "$work/bin" | sort | tr '\n' ' ')" == "quorvel quorvel_debuglog.txt " ]]
}

# 1. No data folder at all: the alert for config.hma, status 1, nothing made.
xdg=$work/xdg1
mkdir -p "$xdg"
start XDG_DATA_HOME="$xdg" HOME="$work/home"
answer_alert
expect "missing data folder ends with status 1 (got $status)" test "$status" = 1
expect "missing data folder: message on standard error" grep -qx "Unable to open file: config.hma" "$work/io/err"
expect "missing data folder: nothing created in the data home" test -z "$(ls -A "$xdg")"
expect "missing data folder: only the trace log is created" only_log_created
expect "missing data folder: level-1 trace line" grep -q "Error: Unable to open file: config.hma" "$log"
expect "missing data folder: registry not loaded" bash -c "! grep -q 'Loaded file' '$log'"

# 2. The data folder without config.hma: the same, and the folder unchanged.
xdg=$work/xdg2
folder=$xdg/Brelwick/Quorvel
mkdir -p "$folder"
cp "$source_dir/data/template_new.xml" "$folder/"
start XDG_DATA_HOME="$xdg" HOME="$work/home"
answer_alert
expect "missing registry ends with status 1 (got $status)" test "$status" = 1
expect "missing registry: data folder unchanged" test "$(ls -A "$folder")" = "template_new.xml"

# 3. A damaged registry: an alert naming the file and the parser's finding,
#    status 1, and the file left as it was.
xdg=$work/xdg3
folder=$xdg/Brelwick/Quorvel
mkdir -p "$folder"
printf '<config>\n\t<patient id="0">\n</config>\n' >"$folder/config.hma"
cp "$folder/config.hma" "$work/io/config.before"
start XDG_DATA_HOME="$xdg" HOME="$work/home"
answer_alert
expect "damaged registry ends with status 1 (got $status)" test "$status" = 1
expect "damaged registry: finding and place on standard error" \
  grep -q "Malformed file config.hma: unexpected end of data at line 3, column 10" "$work/io/err"
expect "damaged registry: level-1 trace line" grep -q "Error: malformed file config.hma: unexpected end of data" "$log"
expect "damaged registry: file untouched" cmp -s "$folder/config.hma" "$work/io/config.before"
expect "damaged registry: nothing else written" test "$(ls -A "$folder")" = "config.hma"

# 4. No application-data folder can be found.
start -u XDG_DATA_HOME -u HOME
answer_alert
expect "no application-data folder ends with status 1 (got $status)" test "$status" = 1
expect "no application-data folder: trace line" grep -q "AppData folder could not be found on this machine" "$log"

# 5. An empty registry: the main window opens, with nothing written.
xdg=$work/xdg5
folder=$xdg/Brelwick/Quorvel
mkdir -p "$folder"
for f in config.hma template_new.xml readme.txt; do
  [[ -f $source_dir/data/$f ]] && cp "$source_dir/data/$f" "$folder/"
done
before=$(cd "$folder" && ls -A | sort | xargs -r md5sum)
start XDG_DATA_HOME="$xdg" HOME="$work/home"
main=$(timeout 20 xdotool search --sync --onlyvisible --name "Quorvel" 2>/dev/null | head -n1)
expect "empty registry: the main window opens" test -n "$main"
expect "empty registry: no alert before it" test -z "$(cat "$work/io/err")"
expect "empty registry: registry loaded" grep -q "Loaded file config.hma" "$log"
if [[ -n $main ]]; then
  import -window root "$work/io/main.png" 2>/dev/null || true
  # Escape does not end the program; File/Exit does. The program takes the
  # key, the click and the keys in the order they were sent, so when it is
  # File/Exit that ended it (its pick is on standard output), Escape did not.
  press "$main" Escape
  xdotool mousemove --window "$main" 17 12 click --delay 0 1 2>/dev/null
  xdotool key --clearmodifiers Down Down Down Down Down Down Down Down Down Down Return 2>/dev/null
fi
await_exit "$pid" 5
if [[ $status == running ]]; then
  fail "empty registry: File/Exit did not end the program"
  kill "$pid" 2>/dev/null
  await_exit "$pid" 5
else
  expect "empty registry: File/Exit ends with status 0 (got $status)" test "$status" = 0
  expect "empty registry: Escape left the program running for File/Exit" \
    grep -q "item picked in menu: File/Exit" "$work/io/out"
fi
expect "empty registry: data folder unchanged" test "$(cd "$folder" && ls -A | sort | xargs -r md5sum)" = "$before"

# 6. Every run appended its own start marker to the one log.
markers=$(grep -c '^New Session$' "$log")
expect "each of the $runs runs appended a start marker (found $markers)" test "$markers" = "$runs"
headers=$(grep -cE '^Quorvel 1\.0 {21}\(00012\): , \[main {12}\], \[s_0\] \[[A-Z][a-z]{2} [A-Z][a-z]{2} [ 123][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\], $' "$log")
expect "each start marker has its header-only line (found $headers)" test "$headers" = "$runs"
expect "start markers are followed by an empty line and New Session" \
  test "$(grep -B1 '^New Session$' "$log" | grep -c '^$')" = "$runs"
expect "the log is private to its owner" test "$(stat -c %a "$log")" = 600

if ((failures > 0)); then
  echo "--- trace log tail ---"
  tail -n 20 "$log"
  echo "--- standard error of the last run ---"
  cat "$work/io/err"
  exit 1
fi
echo "all start-up checks passed"
