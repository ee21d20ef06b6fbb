#!/usr/bin/env bash
# One program per data folder: a second start on the folder of a running
# program is refused with a message and status 1 and writes nothing; after
# the first program was killed, a new start is accepted at once.
#
# Usage: single_instance.sh <quorvel binary> <source folder>   (needs DISPLAY)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" "$@"
fi
source "$(dirname "$0")/lib/common.bash"

MAIN_TITLE='^Brelwick\. - Quorvel Ondrala$'
folder_state() { (cd "$E2E_DATA" && ls -lA --time-style=+%s.%N | sed 1d && md5sum $(ls -A)); }

step "the first program starts and holds the data folder"
seed_data
start_app
first=$E2E_PID
MAIN=$(wait_window "$MAIN_TITLE") || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "Loaded file config.hma"
before=$(folder_state)

step "a second start on the same folder is refused and writes nothing"
"$E2E_APP" >"$E2E_TMP/second.out" 2>"$E2E_TMP/second.err" &
E2E_PID=$!
answer_alert Return
wait_exit 10 || fail "the second program did not end after its message"
assert_eq "$E2E_STATUS" 1 "exit status of the second start"
assert_contains "$E2E_TMP/second.err" "Quorvel is already running with the data folder $E2E_DATA."
assert_eq "$(folder_state)" "$before" "data folder after the refused start"
[ "$(xdotool search --onlyvisible --name "$MAIN_TITLE" | wc -l)" = 1 ] || fail "a second main window appeared"

step "after the first program is killed a new start is accepted"
kill -9 "$first"
wait "$first" 2>/dev/null || true
start_app
MAIN=$(wait_window "$MAIN_TITLE") || fail "the start after the kill was not accepted"
# The lock is taken before the window is made: a complaint about it is
# written by now.
[ ! -s "$E2E_TMP/stderr" ] || fail "the start after the kill complained: $(cat "$E2E_TMP/stderr")"
click "$MAIN" 17 12
key Down Down Down Down Down Down Down Down Down Down Return  # Down stops at the last item, File/Exit
wait_exit 10 || fail "File/Exit did not end the program"
assert_eq "$E2E_STATUS" 0 "exit status after File/Exit"
echo "single instance: all steps passed"
