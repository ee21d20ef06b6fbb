#!/usr/bin/env bash
# A whole visit with the keyboard alone, no pointer event: two users made
# with Ctrl+N, the second one chosen with Down in the users list, Pulse's
# entry window opened with Return in the variable list, the reading typed and
# confirmed, Pulse put on the chart through Multi-Display opened with Ctrl+M,
# the month shown with Ctrl+5 and the program left with Ctrl+Q. The data file
# and the trace log show each step; the focus box is seen on the users list,
# a dialog button and a time button.
#
# Usage: keyboard_journey.sh <quorvel binary> <source folder>   (needs DISPLAY)
source "$(dirname "$0")/lib/common.bash"

# The virtual display has no window manager: what one does when a window
# opens or closes, giving it the keyboard, is done here (no pointer event).
give_keys() { timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || fail "the window $1 cannot take the keyboard"; }

# new_user FIRST LAST FILE: Ctrl+N, the two names, Return; the registry names FILE.
new_user() {
  key ctrl+n
  local w
  w=$(wait_window '^New User$') || fail "Ctrl+N opened no New User window"
  give_keys "$w"
  xdotool type --delay 15 "$1"; key Tab
  xdotool type --delay 15 "$2"
  key Return
  wait_gone "$w" || fail "Return did not confirm the New User window"
  give_keys "$MAIN"
  wait_contains "$E2E_DATA/config.hma" "<file>$3</file>"
}

step "start: the users list has the keyboard"
seed_data
start_app
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala') || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "Loaded file config.hma"
give_keys "$MAIN"

step "F10 and Alt+E open the menus, which show their keys"
key F10
wait_contains "$E2E_TRACE" "menu opened by key: File"
shot_settled file_menu || fail "the File menu does not come to rest"
key Escape
key alt+e
wait_contains "$E2E_TRACE" "menu opened by key: Edit"
key Escape

step "two users made with Ctrl+N"
new_user Ann Lee user0.hma
new_user Bob Roe user1.hma

step "Home chooses the first user, Down the second, each loaded as a click loads it"
loaded_ann=$(count_of "$E2E_TRACE" "Loaded file user0.hma")
loaded_bob=$(count_of "$E2E_TRACE" "Loaded file user1.hma")
key Home
wait_count "$E2E_TRACE" "Loaded file user0.hma" $((loaded_ann + 1))
key Down
wait_count "$E2E_TRACE" "Loaded file user1.hma" $((loaded_bob + 1))
wait_drawn_after "Loaded file user1.hma"
shot_settled focus_users_list || fail "the main window does not come to rest"

step "Tab reaches the variable list; Down and Return open Pulse's entry window"
key Tab Tab Tab Down Return
E=$(wait_window '^Add history entry for Vitals: Pulse$') || fail "Return opened no entry window for Pulse"
give_keys "$E"
key Tab Tab
xdotool type --delay 15 "72"
key Tab
shot_settled focus_dialog_button || fail "the entry window does not come to rest"
key shift+Tab Return
wait_gone "$E" || fail "Return did not confirm the entry window"
give_keys "$MAIN"
wait_contains "$E2E_DATA/user1.hma" "<value>72.000000</value>"
assert_not_contains "$E2E_DATA/user0.hma" "<value>72.000000</value>"

step "Ctrl+M opens Multi-Display; Pulse goes on the chart"
key ctrl+m
wait_contains "$E2E_TRACE" "menu opened by key: Multi-Display"
key Down Right Return
wait_contains "$E2E_TRACE" "Pulse is checked"
wait_contains "$E2E_TRACE" "Analysis of Pulse: average 72.00"

step "Ctrl+5 shows the month; Tab reaches the time buttons"
key ctrl+5
wait_contains "$E2E_TRACE" "time range chosen by key: Month"
wait_contains "$E2E_TMP/stdout" "Mode is now 4"
key Tab
wait_drawn_after "time range chosen by key: Month"
shot_settled focus_time_button || fail "the main window does not come to rest"

step "Ctrl+Q leaves through File/Exit with the data saved"
key ctrl+q
wait_exit || fail "Ctrl+Q did not end the program"
assert_eq "$E2E_STATUS" 0 "exit status after Ctrl+Q"
assert_contains "$E2E_TRACE" "item picked in menu: File/Exit"
assert_contains "$E2E_DATA/user1.hma" "<value>72.000000</value>"

if [ -n "${E2E_SHOTS:-}" ]; then mkdir -p "$E2E_SHOTS" && cp "$E2E_TMP"/shots/*.png "$E2E_SHOTS"/; fi
echo "PASS"
