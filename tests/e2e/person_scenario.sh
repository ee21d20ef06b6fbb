#!/usr/bin/env bash
# A person's session with the real program, driven with the mouse and the
# keyboard: users created (one cancelled, one confirmed, one edited), entries
# of every kind of variable recorded with Add and with OK, a bad date and a
# bad time refused, four variables on the chart and a fifth refused, a
# normal-range display, every time-range button, the chart cleared, users
# switched and removed, and File/Exit. After each step the data files, the
# standard output and the trace log are checked; screenshots are compared at
# the pixels that matter.
#
# Usage: person_scenario.sh <quorvel binary> <source folder>   (needs DISPLAY)
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/main-window.bash"

TIME_BUTTON_X=(412 502 592 682 772 862); TIME_BUTTON_Y=67
# The inside of the chart's plot rectangle in screen coordinates (the window
# stands at 1,20): left 312, top 142, right 1206, bottom 588 in the window.
PLOT="890x440+315+165"
MULTI_DISPLAY_BUTTON="110x24+152+48"

saved_count() { count_of "$E2E_TRACE" "Saved file $1"; }
# Pixels of exactly one colour inside the plot rectangle of a screenshot.
plot_pixels() {  # SHOT "r,g,b"
  convert "$E2E_TMP/shots/$1.png" -crop "$PLOT" +repage -fill black +opaque "rgb($2)" \
    -fill white -opaque "rgb($2)" -format '%[fx:int(mean*w*h+0.5)]' info:
}
region_hash() {  # SHOT WxH+X+Y
  convert "$E2E_TMP/shots/$1.png" -crop "$2" +repage rgb:- | md5sum | cut -d' ' -f1
}


step "start on a fresh data folder"
seed_data
start_app
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala') || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "New Session"
head -n 3 "$E2E_TRACE" | grep -q '\[main' || fail "the trace log does not start with the start marker"
wait_contains "$E2E_TRACE" "Entering function , main"
wait_contains "$E2E_TRACE" "Loaded file config.hma"
shot_settled start || fail "the main window does not come to rest"
greyed_start=$(region_hash start "$MULTI_DISPLAY_BUTTON")

step "a new user cancelled with Escape writes nothing"
click "$MAIN" $ADD_USER
W=$(wait_window '^New User$') || fail "no New User window"
type_into "$W" 190 42 "Nobody"
key Escape
wait_gone "$W" || fail "Escape did not close the New User window"
assert_eq "$(cat "$E2E_DATA/config.hma")" "<config/>" "registry after a cancelled new user"
[ ! -e "$E2E_DATA/user0.hma" ] || fail "a cancelled user got a data file"

step "a new user typed with Tab between the fields and confirmed with Return"
click "$MAIN" $ADD_USER
W=$(wait_window '^New User$') || fail "no New User window"
click "$W" 190 42
xdotool type --delay 15 "Ann"; key Tab
xdotool type --delay 15 "Lee"; key Tab
xdotool type --delay 15 "1950/06/15"
key Return
wait_gone "$W" || fail "Return did not confirm the New User window"
wait_contains "$E2E_DATA/config.hma" "<first>Ann</first>"
wait_contains "$E2E_DATA/config.hma" "<file>user0.hma</file>"
wait_contains "$E2E_DATA/user0.hma" "<dob>1950/06/15</dob>"
wait_contains "$E2E_TRACE" "New User added in config: Ann Lee, with id=0"
button_not_greyed() { [ "$(region_hash "$1" "$MULTI_DISPLAY_BUTTON")" != "$greyed_start" ]; }
shot_when ann_open button_not_greyed ann_open ||
  fail "the Multi-Display button still looks greyed with a user open"
wait_contains "$E2E_TMP/stdout" "New Id is 0"

step "the user's information edited"
click "$MAIN" $EDIT_USER
W=$(wait_window '^Edit User Information$') || fail "no edit window"
type_into "$W" 190 72 "Leigh"
click "$W" 170 295
wait_gone "$W" || fail "OK did not close the edit window"
wait_contains "$E2E_DATA/config.hma" "<last>Leigh</last>"
wait_contains "$E2E_DATA/user0.hma" "<last>Leigh</last>"

step "pulse entries with Add and with OK"
open_entry 1 Pulse
before=$(saved_count user0.hma)
fill_entry "2026/11/01" "08:00:00 AM" "72"
click "$entry_window" 135 165           # Add: saved, window stays open
fill_entry "2026/11/15" "09:30:00 PM" "110"
click "$entry_window" 135 165
fill_entry "2026/12/01" "07:00:00 AM" "55"
click "$entry_window" 210 165           # OK
wait_gone "$entry_window" || fail "OK did not close the entry window"
wait_count "$E2E_DATA/user0.hma" '<entry id=' 3
wait_contains "$E2E_DATA/user0.hma" "<value>110.000000</value>"
wait_contains "$E2E_DATA/user0.hma" "<time>09:30:00 PM</time>"
wait_count "$E2E_TRACE" "Saved file user0.hma" $((before + 3))

step "a bad date and a bad time are refused"
open_entry 1 Pulse
fill_entry "2026-12-02" "08:00:00 AM" "80"
click "$entry_window" 210 165
answer_alert Return
fill_entry "2026/12/02" "08.00.00" "80"
click "$entry_window" 210 165
answer_alert Return
key Escape                                 # Escape is Cancel
wait_gone "$entry_window" || fail "Escape did not close the entry window"
assert_eq "$(count_of "$E2E_DATA/user0.hma" '<entry id=')" 3 "entries after refused input"
assert_not_contains "$E2E_DATA/user0.hma" "2026-12-02"

step "blood pressure, blood sugar, SpO2, temperature, weight and mood"
open_entry 2 "Blood Pressure"
fill_entry "2026/11/01" "08:05:00 AM" "120" "80"
click "$entry_window" 135 315
fill_entry "2026/11/10" "08:05:00 AM" "85" "55"
click "$entry_window" 135 315
fill_entry "2026/11/20" "08:05:00 AM" "150" "95"
click "$entry_window" 135 315
fill_entry "2026/12/01" "08:05:00 AM" "128" ""
click "$entry_window" 210 315
wait_gone "$entry_window" || fail "blood pressure window stays"
wait_contains "$E2E_DATA/user0.hma" "<systolic>150.000000</systolic>"
wait_contains "$E2E_DATA/user0.hma" "<diastolic>55.000000</diastolic>"

open_entry 3 "Blood Sugar"
fill_entry "2026/11/02" "07:00:00 AM" "95"
click "$entry_window" 210 195
wait_gone "$entry_window" || fail "blood sugar window stays"
wait_contains "$E2E_DATA/user0.hma" "<fasting>95.000000</fasting>"
if grep -q '<postprandial>[0-9]*\.[0-9]\{6\}</postprandial>' "$E2E_DATA/user0.hma"; then
  fail "an empty postprandial field was stored"
fi

for v in "4 SpO2 97" "5 Temperature 98.6" "6 Weight 150" "7 Mood 7"; do
  set -- $v
  open_entry "$1" "$2"
  # Date, Tab, time, Tab, value: Tab follows the layout and selects the
  # field's text, so typing replaces it.
  type_into "$entry_window" 180 32 "2026/11/05"
  key Tab
  xdotool type --delay 15 "10:00:00 AM"; key Tab
  xdotool type --delay 15 "$3"
  key Return                               # Return is OK
  wait_gone "$entry_window" || fail "$2 window stays after Return"
done
wait_contains "$E2E_DATA/user0.hma" "<value>98.600000</value>"
wait_count "$E2E_DATA/user0.hma" "<time>10:00:00 AM</time>" 4
assert_eq "$(count_of "$E2E_DATA/user0.hma" "<date>2026/11/05</date>")" 4 "entries typed with Tab"
wait_contains "$E2E_DATA/user0.hma" "<value>7.000000</value>"

step "four variables on the chart, a fifth refused"
pick_multi 1 0          # Pulse
pick_multi 2 1 0        # Blood Pressure / Systolic
pick_multi 3 3          # SpO2
pick_multi 4 4          # Temperature
four_drawn() { [ "$(plot_pixels four 255,255,255)" -gt 1000 ] && [ "$(plot_pixels four 255,0,0)" -gt 20 ] &&
  [ "$(plot_pixels four 0,0,255)" -gt 20 ]; }
if ! shot_when four four_drawn; then
  [ "$(plot_pixels four 255,255,255)" -gt 1000 ] || fail "the plot area is not white"
  [ "$(plot_pixels four 255,0,0)" -gt 20 ] || fail "no red line of the first series"
  fail "no blue line of the second series"
fi
four_plot=$(region_hash four "$PLOT")
pick_multi 5 5          # Weight: a fifth
answer_alert Return
wait_contains "$E2E_TRACE" "User checked more than 4 variables"
shot_settled after_fifth || fail "the chart does not come to rest after the refused fifth variable"
[ "$(region_hash after_fifth "$PLOT")" = "$four_plot" ] || fail "the refused fifth variable changed the chart"

step "normal-range display of blood pressure"
click "$MAIN" $NORMAL_RANGE
key Down; key Right; key Down; key Return
wait_contains "$E2E_TRACE" "item picked in normal range display menu: Vitals/Blood Pressure"
shaded() { [ "$(plot_pixels normal_range 83,24,157)" -gt 10 ] && [ "$(plot_pixels normal_range 127,0,0)" -gt 10 ]; }
if ! shot_when normal_range shaded; then
  [ "$(plot_pixels normal_range 83,24,157)" -gt 10 ] || fail "no shading below the normal range"
  fail "no dark red shading above the normal range"
fi

step "every time-range button"
for mode in 1 2 3 4 5 0; do
  click "$MAIN" "${TIME_BUTTON_X[$mode]}" "$TIME_BUTTON_Y"
  wait_contains "$E2E_TMP/stdout" "Mode is now $mode"
done

step "clear the chart"
click "$MAIN" $CLEAR_CHART
cleared() { [ "$(plot_pixels cleared 24,71,157)" -eq 0 ] && [ "$(plot_pixels cleared 255,255,255)" -gt 1000 ]; }
if ! shot_when cleared cleared; then
  [ "$(plot_pixels cleared 24,71,157)" -eq 0 ] || fail "a series is still drawn after clearing"
  fail "the cleared plot area is not white"
fi

step "a second user; switching users saves and loads"
click "$MAIN" $ADD_USER
W=$(wait_window '^New User$') || fail "no New User window"
type_into "$W" 190 42 "Bob"
type_into "$W" 190 72 "Ray"
key Return
wait_gone "$W" || fail "New User window stays"
wait_contains "$E2E_DATA/config.hma" "<file>user1.hma</file>"
[ -e "$E2E_DATA/user1.hma" ] || fail "no data file for the second user"
loads=$(count_of "$E2E_TRACE" "Loaded file user0.hma")
click "$MAIN" $USER_LINE_1
wait_count "$E2E_TRACE" "Loaded file user0.hma" $((loads + 1))
click "$MAIN" $USER_LINE_2
wait_contains "$E2E_TRACE" "Loaded file user1.hma"

step "remove the second user: Return answers Cancel, Tab and Space Remove"
cancels=$(count_of "$E2E_TRACE" "Answer: &Cancel")
click "$MAIN" $REMOVE_USER
answer_alert Return
wait_count "$E2E_TRACE" "Answer: &Cancel" $((cancels + 1))
assert_contains "$E2E_DATA/config.hma" "user1.hma"
click "$MAIN" $REMOVE_USER
Q=$(wait_alert) || fail "no question for the removal"
xdotool mousemove --window "$Q" 10 10
key Tab space
wait_gone "$Q" || fail "Space on Remove did not close the question"
wait_contains "$E2E_TRACE" "Removed user: user1.hma"
assert_not_contains "$E2E_DATA/config.hma" "user1.hma"
[ -e "$E2E_DATA/user1.hma" ] || fail "removing a user deleted its data file"
button_greyed() { [ "$(region_hash "$1" "$MULTI_DISPLAY_BUTTON")" = "$greyed_start" ]; }
shot_when removed button_greyed removed ||
  fail "the user controls are not greyed again after the removal"

step "File/Exit leaves the unchanged user's file as it is and ends with status 0"
click "$MAIN" $USER_LINE_1
saves=$(saved_count user0.hma)
click "$MAIN" $FILE_MENU
key Down Down Down Down Down Down Down Down Down Down Return  # Down stops at the last item, File/Exit
wait_exit 10 || fail "File/Exit did not end the program"
assert_eq "$E2E_STATUS" 0 "exit status"
wait_contains "$E2E_TMP/stdout" "item picked in menu: File/Exit"
assert_eq "$(saved_count user0.hma)" "$saves" "saves of the unchanged file at exit"
grep -q "<last>Leigh</last>" "$E2E_DATA/user0.hma" || fail "the user file lost its data"
echo "person scenario: all steps passed"
