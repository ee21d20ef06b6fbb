# Helpers of the end-to-end scripts: a private copy of the program and a
# fresh data folder per script, the program started as the README starts it,
# and xdotool to drive it like a person (clicks at the layout's coordinates,
# typing, Return and Escape). Every wait is bounded.
#
# A script sources this file with the path of the built binary and the
# source folder as its two arguments.

set -euo pipefail

E2E_BIN=$(readlink -f "$1")
E2E_SRC=$(readlink -f "$2")
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
E2E_APP="$E2E_TMP/bin/quorvel"
E2E_PID=""
export XDG_DATA_HOME="$E2E_TMP/xdg"
export XDG_CONFIG_HOME="$E2E_TMP/config"
E2E_DATA="$XDG_DATA_HOME/Brelwick/Quorvel"
E2E_TRACE="$E2E_APP"_debuglog.txt
E2E_FAILED=0

mkdir -p "$E2E_TMP/bin" "$E2E_TMP/shots"
cp "$E2E_BIN" "$E2E_APP"

e2e_cleanup() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill -9 "$E2E_PID" 2>/dev/null || true
  fi
  if [ "${E2E_KEEP:-0}" = 1 ] || [ "$E2E_FAILED" = 1 ]; then
    echo "kept for inspection: $E2E_TMP" >&2
  else
    rm -rf "$E2E_TMP"
  fi
}
trap e2e_cleanup EXIT

fail() {
  E2E_FAILED=1
  echo "FAIL: $*" >&2
  if [ -f "$E2E_TMP/stdout" ]; then echo "--- program output:" >&2; tail -n 20 "$E2E_TMP/stdout" >&2; fi
  exit 1
}

step() { echo "== $*"; }

# Seeds the data folder the way the launcher does on first start.
seed_data() {
  QUORVEL_SHARE="$E2E_SRC/data" QUORVEL_EXE=/bin/true bash "$E2E_SRC/scripts/quorvel-launcher.sh"
}

# Starts the program; its standard output and error go to files.
start_app() {
  "$E2E_APP" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr" &
  E2E_PID=$!
}

# wait_window NAME_REGEX [SECONDS]: prints the id of the first visible window
# whose title matches.
wait_window() {
  local name=$1 limit=${2:-20} id=""
  local tries=$((limit * 10))
  for _ in $(seq 1 "$tries"); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | tail -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# wait_gone ID [SECONDS]: waits until the window is no longer visible.
wait_gone() {
  local id=$1 limit=${2:-10}
  for _ in $(seq 1 $((limit * 10))); do
    if ! xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$id"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# wait_exit [SECONDS]: waits for the program to end and sets E2E_STATUS to
# its exit status. It must run in the script's own shell, never inside $(...):
# only the shell that started the program can wait for it, and a subshell's
# wait gives a meaningless status.
wait_exit() {
  local limit=${1:-10}
  for _ in $(seq 1 $((limit * 10))); do
    if ! kill -0 "$E2E_PID" 2>/dev/null; then
      E2E_STATUS=0
      wait "$E2E_PID" || E2E_STATUS=$?
      E2E_PID=""
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# The input below is sent without pauses. The program receives the pointer
# moves, clicks and keys in the order they were sent and handles each in
# turn, so a key typed after a click reaches the field the click chose. What
# an action brings about (a window, a line in a file, a drawing) is waited
# for where it is checked. One exception: a menu's loop handles all the input
# already queued when its pick's Return arrives, and input meant for after
# the pick is lost in it. After a menu pick, wait for what the pick does
# before sending anything else.

# click WINDOW X Y [BUTTON]: a click at window coordinates.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click --delay 0 "${4:-1}"
}

# type_into WINDOW X Y TEXT: clicks into a field, selects its text and types.
type_into() {
  click "$1" "$2" "$3"
  xdotool key --clearmodifiers ctrl+a BackSpace
  xdotool type --delay 15 -- "$4"
}

key() {
  xdotool key --clearmodifiers "$@"
}

# shot NAME: a screenshot of the screen in $E2E_TMP/shots/NAME.png.
shot() {
  import -window root "$E2E_TMP/shots/$1.png"
}

# shot_when NAME CHECK...: takes the screenshot NAME again and
# again until the command CHECK... holds for it (the program draws in its
# own time), at most 10 seconds. Fails when it never holds.
shot_when() {
  local name=$1; shift
  local deadline=$((SECONDS + 10))
  while true; do
    shot "$name"
    if "$@"; then return 0; fi
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

# shot_settled NAME: a screenshot once the screen stops changing, that is,
# with the same pixels as the one taken just before it (at most 10 seconds).
shot_settled() {
  local name=$1 last="" now deadline=$((SECONDS + 10))
  while true; do
    shot "$name"
    now=$(identify -format '%#' "$E2E_TMP/shots/$name.png")
    [ "$now" = "$last" ] && return 0
    [ "$SECONDS" -lt "$deadline" ] || return 1
    last=$now
    sleep 0.1
  done
}

# pixel NAME X Y: the colour of a screen pixel of a screenshot as "r,g,b".
pixel() {
  convert "$E2E_TMP/shots/$1.png" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

# window_origin WINDOW: "x y" of the window's top-left corner on the screen.
window_origin() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}'
}

assert_contains() {  # FILE TEXT
  grep -qF -- "$2" "$1" || fail "$1 does not contain: $2"
}
assert_not_contains() {  # FILE TEXT
  if grep -qF -- "$2" "$1"; then fail "$1 unexpectedly contains: $2"; fi
}
assert_eq() {  # ACTUAL EXPECTED WHAT
  [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"
}
count_of() {  # FILE TEXT
  grep -cF -- "$2" "$1" 2>/dev/null || true
}

# wait_alert [SECONDS]: the id of a visible toolkit message window (alerts
# are titled "Notice", questions "Question").
wait_alert() {
  local limit=${1:-10}
  for _ in $(seq 1 $((limit * 10))); do
    local id
    for id in $(xdotool search --onlyvisible --name '^(Notice|Question)$' 2>/dev/null); do
      local w
      w=$(xdotool getwindowgeometry --shell "$id" | awk -F= '/^WIDTH=/{print $2}')
      if [ "$w" -lt 1000 ]; then echo "$id"; return 0; fi
    done
    sleep 0.1
  done
  return 1
}

# answer_alert KEY: closes the message window that is open with a key.
answer_alert() {
  local id
  id=$(wait_alert) || fail "expected a message window"
  xdotool mousemove --window "$id" 10 10
  key "$1"
  wait_gone "$id" || fail "the message window did not close"
}

# wait_contains FILE TEXT [SECONDS]: waits until the file holds the text (the
# program handles the events xdotool sends in its own time).
wait_contains() {
  local limit=${3:-15}
  for _ in $(seq 1 $((limit * 10))); do
    if grep -qF -- "$2" "$1" 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  fail "$1 does not contain: $2"
}

# open_list KEY...: presses the keys that open a choice's list (or a popup
# menu) and waits until the list is on the screen: the toolkit shows it as a
# new nameless window of the root, and keys sent before it is there are lost.
nameless_windows() { xwininfo -root -children 2>/dev/null | grep -c '(has no name): ()'; }
open_list() {
  local before
  before=$(nameless_windows)
  key "$@"
  for _ in $(seq 1 150); do
    [ "$(nameless_windows)" -gt "$before" ] && return 0
    sleep 0.1
  done
  fail "no list opened after: $*"
}

# wait_count FILE TEXT N [SECONDS]: waits until the text occurs N times.
wait_count() {
  local limit=${4:-15} n=0
  for _ in $(seq 1 $((limit * 10))); do
    n=$(count_of "$1" "$2")
    if [ "$n" -eq "$3" ]; then return 0; fi
    sleep 0.1
  done
  fail "$1 holds '$2' $n times, expected $3"
}

# wait_drawn_after TEXT [SECONDS]: waits until the trace log shows a drawing
# after its last line holding TEXT. The toolkit handles every input already
# queued before it draws, and lays out its lists when it draws them: a click
# on a list that an action has just filled must wait for this.
wait_drawn_after() {
  local limit=${2:-15}
  for _ in $(seq 1 $((limit * 10))); do
    if awk -v text="$1" 'index($0, text) { seen = 1; drawn = 0; next }
        seen && /Exiting function , [A-Za-z_]*::draw$/ { drawn = 1 }
        END { exit !(seen && drawn) }' "$E2E_TRACE" 2>/dev/null; then
      return 0
    fi
    sleep 0.1
  done
  fail "no drawing in the trace log after: $1"
}
