#!/usr/bin/env bash
# A carer's fortnight in Europe with the keyboard: preferences of metric
# units, the 24-hour clock and ISO dates; the empty chart says to add a
# person; a new person with weight "70,5" and height "163,5" (stored
# converted, the comma read as the decimal point); blood pressure typed in a
# meter's order (SYS Tab DIA Tab PULSE), then a note, the arm, the position
# and the meter's irregular heartbeat flag, found again by export --grep; a pulse of 720 asked about in /min,
# saved (Tab and Space answer the question), then corrected without the
# mouse (Ctrl+M, Ctrl+Right to its point, Ctrl+Return to its history row,
# Return to edit it); the chart reached by Tab, plain Right and Return; the
# status line says what was added; the history reached by Shift+F10 and Edit/History...;
# DD.MM.YYYY dates and the decimal comma chosen in Edit/Preferences... by keys,
# a temperature typed so and shown so in the history; a meter's CSV imported
# with its implausible row asked about (Cancel, the default, keeps it out)
# and the rest stored; a report for the doctor in the same style; and
# larger text with Ctrl+plus (kept in the preferences, the history opening
# at it) and back with Ctrl+0; and at the next start, the copy a sync tool
# left of the other computer's version merged in by Return.
#
# Usage: carer_fortnight.sh <quorvel binary> <source folder>   (needs DISPLAY)
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/main-window.bash"

give_keys() { timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null || fail "the window $1 cannot take the keyboard"; }
# confirm ID: gives the question's other answer ("Save", "Remove",
# "Replace") by keys: Tab from "&Cancel" (the default) to it, Space.
confirm() {
  xdotool mousemove --window "$1" 10 10
  give_keys "$1"
  key Tab space
  wait_gone "$1" || fail "the question did not close"
}

export HOME="$E2E_TMP/home"
mkdir -p "$HOME/Documents"
cat >"$E2E_TMP/bin/xdg-open" <<'OPENER'
#!/bin/sh
printf '%s\n' "$1" >"$(dirname "$0")/opened.tmp"
mv "$(dirname "$0")/opened.tmp" "$(dirname "$0")/opened"
OPENER
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"
today=$(date +%Y-%m-%d)
todayDots=$(date +%d.%m.%Y)

step "metric units, the 24-hour clock and ISO dates; the empty list asks for a person"
seed_data
cat >"$E2E_DATA/preferences.xml" <<'PREFS'
<preferences>
	<temperature>Cel</temperature>
	<weight>kg</weight>
	<length>cm</length>
	<bloodSugar>mmol/L</bloodSugar>
	<clock>24</clock>
	<date>YYYY-MM-DD</date>
</preferences>
PREFS
start_app
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala') || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "Hint: Add a person: File → New or Ctrl+N"
shot_settled empty_list || fail "the main window does not come to rest"
give_keys "$MAIN"

step "a new person: weight 70,5 kg and height 163,5 cm keep their commas"
key ctrl+n
W=$(wait_window '^New User$') || fail "Ctrl+N opened no New User window"
give_keys "$W"
xdotool type --delay 15 "Mia"; key Tab
xdotool type --delay 15 "Berg"; key Tab Tab Tab Tab
xdotool type --delay 15 "70,5"; key Tab
xdotool type --delay 15 "163,5"
shot_settled new_user_metric || fail "the New User window does not come to rest"
key Return
wait_gone "$W" || fail "Return did not confirm the New User window"
wait_contains "$E2E_DATA/user0.hma" "<weight>155.425895</weight>"
wait_contains "$E2E_DATA/user0.hma" "<height>5 ft 4.370079 in</height>"
give_keys "$MAIN"

step "blood pressure typed as the meter shows it: 142 Tab 76 Tab 88"
key Tab Tab Tab Down Down Return
E=$(wait_window '^Add history entry for Vitals: Blood Pressure$') || fail "no blood pressure window"
give_keys "$E"
key Tab
xdotool type --delay 15 "07:15"; key Tab
xdotool type --delay 15 "142"; key Tab
xdotool type --delay 15 "76"; key Tab
xdotool type --delay 15 "88"
shot_settled blood_pressure_meter_order || fail "the blood pressure window does not come to rest"
# Then what was said and how it was taken: the note, the left arm, sitting, the meter's flag.
key Tab
xdotool type --delay 15 "after the walk, felt dizzy"; key Tab
open_list space; key Down Return; key Tab
open_list space; key Down Return; key Tab
key space
shot_settled blood_pressure_note || fail "the blood pressure window does not come to rest"
key Return
wait_gone "$E" || fail "Return did not confirm the blood pressure window"
wait_contains "$E2E_DATA/user0.hma" "<systolic>142.000000</systolic>"
wait_contains "$E2E_DATA/user0.hma" "<diastolic>76.000000</diastolic>"
wait_contains "$E2E_DATA/user0.hma" "<value>88.000000</value>"
wait_contains "$E2E_DATA/user0.hma" "<note>after the walk, felt dizzy</note>"
wait_contains "$E2E_DATA/user0.hma" "<arm>left</arm>"
wait_contains "$E2E_DATA/user0.hma" "<position>sitting</position>"
wait_contains "$E2E_DATA/user0.hma" "<irregular>yes</irregular>"
wait_contains "$E2E_TRACE" "Added Blood Pressure 142/76 mmHg on $today 07:15:00; Pulse 88 /min on $today 07:15:00"
give_keys "$MAIN"

step "the reading is found again by its note"
found=$("$(dirname "$E2E_BIN")/quorvel-data" --data-dir "$E2E_DATA" export --grep DIZZY) || fail "export --grep failed"
assert_contains_text() { case "$1" in *"$2"*) ;; *) fail "expected \"$2\" in: $1" ;; esac; }
assert_contains_text "$found" "Blood Pressure,systolic,${today}T07:15:00,142.000000,mm[Hg],0,\"after the walk, felt dizzy\",left,sitting,yes"
case "$found" in *Pulse*) fail "the pulse without a note was found by the note's words" ;; esac

step "a pulse of 720 is asked about in /min and saved"
key Home Return
E=$(wait_window '^Add history entry for Vitals: Pulse$') || fail "no pulse window"
give_keys "$E"
key Tab
xdotool type --delay 15 "08:30"; key Tab
xdotool type --delay 15 "720"
key Return
wait_contains "$E2E_TRACE" "Question: Pulse 720 /min is outside what can be measured on a person (20 to 300 /min)."
Q=$(wait_alert) || fail "no question window"
shot plausibility_question
confirm "$Q"
wait_gone "$E" || fail "the pulse window stays after Save"
wait_contains "$E2E_DATA/user0.hma" "<value>720.000000</value>"
give_keys "$MAIN"

step "Shift+F10 opens the variable's menu; Edit History shows the readings"
key Home shift+F10
key Down Down Return
H=$(wait_window '^Pulse History$') || fail "Shift+F10 gave no way to the history"
shot_settled history_by_menu_key || fail "the history window does not come to rest"
give_keys "$H"
key Escape
wait_gone "$H" || fail "Escape did not close the history window"
give_keys "$MAIN"

step "DD.MM.YYYY and the decimal comma chosen by keys; a temperature typed so"
key F10
wait_contains "$E2E_TRACE" "menu opened by key: File"
key Right Down Down Down Down Return
P=$(wait_window '^Preferences$') || fail "Edit/Preferences... opened no window"
give_keys "$P"
# Temperature, weight, height, blood sugar, clock: the dates' choice is the sixth.
key Tab Tab Tab Tab Tab
open_list space
key Down Return
key Tab
open_list space
key Down Return
shot_settled preferences_day_first_comma || fail "the preferences window does not come to rest"
give_keys "$P"
key Return
wait_gone "$P" || fail "Return did not save the preferences"
wait_contains "$E2E_DATA/preferences.xml" "<dateStyle>DD.MM.YYYY</dateStyle>"
wait_contains "$E2E_DATA/preferences.xml" "<decimalMark>comma</decimalMark>"
give_keys "$MAIN"
key Home Down Down Down Down Return
E=$(wait_window '^Add history entry for Vitals: Temperature$') || fail "no temperature window"
give_keys "$E"
key ctrl+a
xdotool type --delay 15 "$todayDots"; key Tab
xdotool type --delay 15 "06:45"; key Tab
xdotool type --delay 15 "37,8"
shot_settled entry_day_first_comma || fail "the temperature window does not come to rest"
key Return
wait_gone "$E" || fail "Return did not confirm the temperature window"
wait_contains "$E2E_DATA/user0.hma" "<value>100.040000</value>"
wait_contains "$E2E_DATA/user0.hma" "<date>$(date +%Y/%m/%d)</date>"
wait_contains "$E2E_TRACE" "Added Temperature 37,8 °C on $todayDots 06:45:00"
give_keys "$MAIN"
key Home Down Down Down Down shift+F10
key Down Down Return
H=$(wait_window '^Temperature History$') || fail "Shift+F10 gave no way to the temperature's history"
shot_settled history_day_first_comma || fail "the history window does not come to rest"
give_keys "$H"
key Escape
wait_gone "$H" || fail "Escape did not close the history window"
give_keys "$MAIN"

step "the 720 corrected by keys alone: its point on the chart, its row, its edit"
key ctrl+m
wait_contains "$E2E_TRACE" "menu opened by key: Multi-Display"
key Down Right Return
wait_contains "$E2E_TRACE" "Pulse is checked"
key ctrl+Right ctrl+Right
wait_contains "$E2E_TRACE" "Point picked: Pulse, $todayDots 08:30:00: 720 /min"
shot_settled chart_point_by_key || fail "the chart does not come to rest"
key ctrl+Return
H=$(wait_window '^Pulse History$') || fail "Ctrl+Return opened no history"
give_keys "$H"
shot_settled history_row_by_key || fail "the history window does not come to rest"
key Return
C=$(wait_window '^Edit Pulse entry$') || fail "Return opened no edit window"
give_keys "$C"
key Tab Tab
xdotool type --delay 15 "72"
key Return
wait_gone "$C" || fail "Return did not confirm the correction"
wait_contains "$E2E_DATA/user0.hma" "<value>72.000000</value>"
assert_not_contains "$E2E_DATA/user0.hma" "<value>720.000000</value>"
give_keys "$H"
key Escape
wait_gone "$H" || fail "Escape did not close the history window"
give_keys "$MAIN"

step "the chart reached by Tab: plain Left and Right pick points, Return opens the row"
# Tab until the chart says it has the focus (each press given time to
# arrive); one Shift+Tab back if a press too many went past it.
chart_focus() { grep -aoE "The chart (has|lost) the focus" "$E2E_TRACE" | tail -n 1; }
for _ in $(seq 1 15); do
  [ "$(chart_focus)" = "The chart has the focus" ] && break
  key Tab
  sleep 0.3
done
if [ "$(chart_focus)" != "The chart has the focus" ]; then key shift+Tab; fi
for _ in $(seq 1 50); do [ "$(chart_focus)" = "The chart has the focus" ] && break; sleep 0.1; done
[ "$(chart_focus)" = "The chart has the focus" ] || fail "Tab did not reach the chart"
# The corrected point is still picked: Left goes to the one before, Right back.
picks=$(count_of "$E2E_TRACE" "Point picked: Pulse, $todayDots 07:15:00: 88 /min")
key Left
wait_count "$E2E_TRACE" "Point picked: Pulse, $todayDots 07:15:00: 88 /min" $((picks + 1))
key Right
wait_contains "$E2E_TRACE" "Point picked: Pulse, $todayDots 08:30:00: 72 /min"
shot_settled chart_focus_by_tab || fail "the chart does not come to rest"
key Return
H=$(wait_window '^Pulse History$') || fail "Return on the chart opened no history"
give_keys "$H"
key Escape
wait_gone "$H" || fail "Escape did not close the history window"
give_keys "$MAIN"

step "an import of a meter's CSV: the implausible row asked about, Cancel keeps it out, the rest comes in"
cat >"$HOME/Documents/meter.csv" <<'CSV'
user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id
0,Mia,Berg,Pulse,,2026-03-01T08:00:00,71,/min,
0,Mia,Berg,Pulse,,2026-03-02T08:00:00,730,/min,
0,Mia,Berg,Pulse,,2026-03-03T08:00:00,74,/min,
CSV
key F10
wait_contains "$E2E_TRACE" "menu opened by key: File"
key Down Down Down Down Down Down Return
F=$(wait_window '^Import Readings$') || fail "no file chooser for the import"
give_keys "$F"
# The chooser opens on Documents: the name alone is typed, as a person would.
xdotool type --delay 15 "meter.csv"
key Return
wait_contains "$E2E_TRACE" "Question: 1 reading is outside what can be measured on a person:"
Q=$(wait_alert) || fail "no question about the implausible row"
shot import_implausible_question
give_keys "$Q"
key Return
wait_gone "$Q" || fail "Return did not answer Cancel"
wait_contains "$E2E_TRACE" "Question: Would add 2 readings to Mia Berg; 0 already present; 1 refused:"
Q=$(wait_alert) || fail "no question about the good rows"
confirm "$Q"
wait_contains "$E2E_DATA/user0.hma" "<value>74.000000</value>"
wait_contains "$E2E_DATA/user0.hma" "<value>71.000000</value>"
assert_not_contains "$E2E_DATA/user0.hma" "<value>730.000000</value>"
give_keys "$MAIN"

step "a report for the doctor"
key F10
wait_contains "$E2E_TRACE" "menu opened by key: File"
key Down Down Down Down Return
R=$(wait_window '^Report for the Doctor$') || fail "no report window"
shot_settled report_window || fail "the report window does not come to rest"
give_keys "$R"
key Return
C=$(wait_window '^Save the Report for the Doctor$') || fail "no file chooser"
give_keys "$C"
key Return
wait_contains "$E2E_TMP/bin/opened" "$HOME/Documents/Mia-Berg-$today.html"
wait_gone "$R" || fail "the report window stayed open"
assert_contains "$HOME/Documents/Mia-Berg-$today.html" "Berg"
assert_contains "$HOME/Documents/Mia-Berg-$today.html" "$todayDots"
assert_contains "$HOME/Documents/Mia-Berg-$today.html" "37,8"

step "Ctrl+plus makes the text larger and keeps it; Ctrl+0 brings it back"
give_keys "$MAIN"
key ctrl+plus
wait_contains "$E2E_TRACE" "Text size 125 %"
wait_contains "$E2E_DATA/preferences.xml" "<textSize>125</textSize>"
assert_contains "$E2E_DATA/preferences.xml" "<clock>24</clock>"
key ctrl+plus
wait_contains "$E2E_DATA/preferences.xml" "<textSize>150</textSize>"
shot_settled text_size_150 || fail "the main window at 150 % does not come to rest"
key ctrl+Right ctrl+Return
H=$(wait_window '^Pulse History$') || fail "Ctrl+Return on the chart opened no history at 150 %"
shot_settled history_150 || fail "the history at 150 % does not come to rest"
give_keys "$H"
key Escape
wait_gone "$H" || fail "Escape did not close the history window"
give_keys "$MAIN"
key ctrl+0
wait_contains "$E2E_TRACE" "Text size 100 %"
wait_contains "$E2E_DATA/preferences.xml" "<textSize>100</textSize>"

step "Ctrl+Q leaves with everything saved"
give_keys "$MAIN"
key ctrl+q
wait_exit || fail "Ctrl+Q did not end the program"
assert_eq "$E2E_STATUS" 0 "exit status after Ctrl+Q"

step "the diary kept on a second computer too: the sync tool's copy is merged at the next start"
# The other computer took an evening pulse while this one wrote: Syncthing
# left its version beside the file.
copy="user0.sync-conflict-20261208-101010-ABCDEFG.hma"
evening="\t\t<entry id=\"90\">\n\t\t\t<value>64.000000</value>\n\t\t\t<date>$(date +%Y/%m/%d)</date>\n"
evening+="\t\t\t<time>09:00:00 PM</time>\n\t\t</entry>\n"
awk -v add="$(printf "$evening")" '
  /<variable name="Pulse">/ { pulse = 1 }
  pulse && /<\/variable>/ { print add; pulse = 0 }
  { print }' "$E2E_DATA/user0.hma" >"$E2E_DATA/$copy"
assert_contains "$E2E_DATA/$copy" "<value>64.000000</value>"
start_app
wait_contains "$E2E_TRACE" "Question: The sync tool left a copy of the diary"
wait_alert >/dev/null || fail "no offer to merge the copy"
shot merge_offer
answer_alert Return
wait_contains "$E2E_TRACE" "Merged 1 conflict copies, 1 readings brought in"
answer_alert Return
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala') || fail "the main window did not appear after the merge"
assert_contains "$E2E_DATA/user0.hma" "<value>64.000000</value>"
assert_contains "$E2E_DATA/user0.hma" "<value>72.000000</value>"
[ -f "$E2E_DATA/$copy.old" ] || fail "the merged copy was not kept as .old"
[ ! -f "$E2E_DATA/$copy" ] || fail "the merged copy is still offered"
give_keys "$MAIN"
key ctrl+q
wait_exit || fail "Ctrl+Q did not end the program after the merge"
assert_eq "$E2E_STATUS" 0 "exit status after the merge"
if [ -n "${E2E_SHOTS:-}" ]; then mkdir -p "$E2E_SHOTS" && cp "$E2E_TMP"/shots/*.png "$E2E_SHOTS"/; fi
echo "PASS"
