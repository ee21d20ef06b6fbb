#!/usr/bin/env bash
# Readings kept right in the window, as a person does it: a pulse of 720
# asked about and saved anyway, then found in the history window (opened
# from the variable's menu) and removed after the question; the file, the
# chart's y axis and the Analysis average lose it at once. A reading
# corrected by a double-click keeps its entry number; 36,8 is stored as
# 36.8; 7:30 pm is stored as 07:30:00 PM; a pulse typed in the blood
# pressure window is stored as a Pulse entry; systolic and diastolic share
# one scale; the empty chart says what to do next.
#
# Usage: readings_window.sh <quorvel binary> <source folder>   (needs DISPLAY)
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/main-window.bash"

# The history window's table: the header is 25 high at y 45, rows 18 high.
history_row() { echo "100 $((45 + 25 + 9 + 18 * $1))"; }

# question_shown NAME TEXT: the question was put (trace) and its window is up; a screenshot NAME of it.
question_shown() {
  wait_contains "$E2E_TRACE" "Question: $2"
  local id
  id=$(wait_alert) || fail "no question window for: $2"
  shot "$1"
  echo "$id"
}
# confirm ID: gives the question's other answer ("Save", "Remove",
# "Replace"): Tab from "&Cancel" (the default) to it, Space.
confirm() {
  xdotool mousemove --window "$1" 10 10
  key Tab space
  wait_gone "$1" || fail "the question did not close"
}
# The trace's last line holding TEXT, from the text on.
last_of() { grep -aoF -- "$1" "$E2E_TRACE" >/dev/null && grep -a -- "$1" "$E2E_TRACE" | tail -n 1 | sed "s/.*$1/$1/"; }
# wait_last TEXT EXPECTED: waits until the last trace line holding TEXT reads EXPECTED from TEXT on.
wait_last() {
  for _ in $(seq 1 150); do
    [ "$(last_of "$1" || true)" = "$2" ] && return 0
    sleep 0.1
  done
  fail "the last '$1' line is '$(last_of "$1" || true)', expected '$2'"
}

step "start on a fresh data folder: the chart asks for a person"
seed_data
start_app
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala') || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "Hint: Add a person: File → New or Ctrl+N"
shot_settled no_user || fail "the main window does not come to rest"

step "a new user: the chart asks for a variable"
click "$MAIN" $ADD_USER
W=$(wait_window '^New User$') || fail "no New User window"
click "$W" 190 42
xdotool type --delay 15 "Ann"; key Tab
xdotool type --delay 15 "Lee"
key Return
wait_gone "$W" || fail "Return did not confirm the New User window"
wait_contains "$E2E_DATA/user0.hma" "<first>Ann</first>"
wait_contains "$E2E_TRACE" "Hint: Choose a variable in Multi-Display or Normal Range Display"
shot_settled no_variable || fail "the main window does not come to rest"

step "two pulses with Add, then Cancel: the display menu offers Pulse at once"
open_entry 1 Pulse
fill_entry "2026/12/05" "08:00:00 AM" "72"
click "$entry_window" 135 165
wait_contains "$E2E_DATA/user0.hma" "<value>72.000000</value>"
fill_entry "2026/12/06" "7:30 pm" "80"
click "$entry_window" 135 165
wait_contains "$E2E_DATA/user0.hma" "<time>07:30:00 PM</time>"
key Escape
wait_gone "$entry_window" || fail "Escape did not close the entry window"
pick_multi 1 0
wait_last "Y axis of Pulse: " "Y axis of Pulse: 71 to 81"
wait_last "Analysis of Pulse: " "Analysis of Pulse: average 76.00, minimum 72.0, maximum 80.0"

step "720 asks before it is stored; Save stores it"
open_entry 1 Pulse
fill_entry "2026/12/07" "08:00:00 AM" "720"
click "$entry_window" 210 165
Q=$(question_shown plausibility_question \
  "Pulse 720 /min is outside what can be measured on a person (20 to 300 /min). Save it anyway?")
confirm "$Q"
wait_gone "$entry_window" || fail "the entry window stays after Save"
wait_contains "$E2E_DATA/user0.hma" "<value>720.000000</value>"
wait_last "Analysis of Pulse: " "Analysis of Pulse: average 290.67, minimum 72.0, maximum 720.0"
wait_last "Y axis of Pulse: " "Y axis of Pulse: 0 to 800"

step "Edit History from the variable's menu; the 720 row removed after the question"
click "$MAIN" $(vital_line 1) 3
key Down Down Return
H=$(wait_window '^Pulse History$') || fail "no history window"
shot_settled history_open || fail "the history window does not come to rest"
click "$H" $(history_row 0)
shot_settled history_selected || fail "the history window does not come to rest"
key Delete
Q=$(question_shown removal_question "Remove 1 reading of Pulse (2026/12/07 08:00:00 AM: 720 /min)?")
confirm "$Q"
wait_contains "$E2E_TRACE" "Removed 1 readings of Pulse"
assert_not_contains "$E2E_DATA/user0.hma" "720.000000"
assert_eq "$(count_of "$E2E_DATA/user0.hma" '<entry id=')" 2 "entries after the removal"
wait_last "Analysis of Pulse: " "Analysis of Pulse: average 76.00, minimum 72.0, maximum 80.0"
wait_last "Y axis of Pulse: " "Y axis of Pulse: 71 to 81"

step "a double-click corrects a reading, which keeps its number"
shot_settled after_removal || fail "the history window does not come to rest"
xdotool mousemove --window "$H" $(history_row 0) click --repeat 2 --delay 80 1
E=$(wait_window '^Edit Pulse entry$') || fail "no Edit Pulse entry window"
type_into "$E" 180 92 "84"
shot_settled edit_window || fail "the Edit window does not come to rest"
key Return
wait_gone "$E" || fail "Return did not close the Edit window"
wait_contains "$E2E_DATA/user0.hma" "<value>84.000000</value>"
assert_not_contains "$E2E_DATA/user0.hma" "<value>80.000000</value>"
grep -A1 '<entry id="1">' "$E2E_DATA/user0.hma" | grep -q "<value>84.000000</value>" ||
  fail "the corrected reading did not keep its entry number"
wait_last "Analysis of Pulse: " "Analysis of Pulse: average 78.00, minimum 72.0, maximum 84.0"
shot_settled after_correction || fail "the history window does not come to rest"
xdotool mousemove --window "$H" 300 20
key Escape                               # the history window closes; the main window is whole again
wait_gone "$H" || fail "Escape did not close the history window"

step "36,8 for Temperature is stored as 36.8"
open_entry 5 Temperature
fill_entry "2026/12/07" "09:00" "36,8"
key Return
Q=$(question_shown temperature_question \
  "Temperature 36.8 °F is outside what can be measured on a person (77 to 113 °F). Save it anyway?")
confirm "$Q"
wait_contains "$E2E_DATA/user0.hma" "<value>36.800000</value>"
wait_contains "$E2E_DATA/user0.hma" "<time>09:00:00 AM</time>"

step "blood pressure with its pulse; systolic and diastolic share one scale"
click "$MAIN" $(vital_line 2)
entry_window=$(wait_window "^Add history entry for Vitals: Blood Pressure\$") || fail "no blood pressure window"
fill_entry "2026/12/07" "19:00" "158" "96"
type_into "$entry_window" 180 152 "77"   # the pulse, below the diastolic value
shot_settled blood_pressure_with_pulse || fail "the blood pressure window does not come to rest"
key Return
wait_gone "$entry_window" || fail "the blood pressure window stays"
wait_contains "$E2E_DATA/user0.hma" "<systolic>158.000000</systolic>"
wait_contains "$E2E_DATA/user0.hma" "<value>77.000000</value>"
assert_eq "$(grep -c '<time>07:00:00 PM</time>' "$E2E_DATA/user0.hma")" 2 "blood pressure and pulse at the same time"
click "$MAIN" $(vital_line 2)
entry_window=$(wait_window "^Add history entry for Vitals: Blood Pressure\$") || fail "no blood pressure window"
fill_entry "2026/12/08" "07:00" "132" "84"
key Return
wait_gone "$entry_window" || fail "the blood pressure window stays"
pick_multi 0 0         # Pulse off
pick_multi 1 1 0       # Systolic
pick_multi 2 1 1       # Diastolic
wait_contains "$E2E_TRACE" "Y axis of Diastolic: "
systolic=$(last_of "Y axis of Systolic: " | sed 's/.*: //')
wait_last "Y axis of Diastolic: " "Y axis of Diastolic: $systolic"
shot_settled shared_scale || fail "the chart does not come to rest"

step "File/Exit ends with status 0"
click "$MAIN" $FILE_MENU
key Down Down Down Down Down Down Down Down Down Down Return  # Down stops at the last item, File/Exit
wait_exit 10 || fail "File/Exit did not end the program"
assert_eq "$E2E_STATUS" 0 "exit status"
if [ -n "${E2E_SHOTS:-}" ]; then cp "$E2E_TMP"/shots/*.png "$E2E_SHOTS"/; fi
echo "readings window: all steps passed"
