# The main window as the end-to-end scripts drive it: where its controls
# stand (window coordinates, 1260 x 984 on a 1280 x 1024 screen), the entry
# window of a variable and the Multi-Display menu. Sourced after common.bash;
# the script sets MAIN to the main window's id.

ADD_USER="17 39"; EDIT_USER="46 39"; REMOVE_USER="75 39"; CLEAR_CHART="104 39"
MULTI_DISPLAY="190 38"; NORMAL_RANGE="330 38"; FILE_MENU="17 12"
USER_LINE_1="80 119"; USER_LINE_2="80 134"
vital_line() { echo "60 $((862 + 15 * ($1 - 1)))"; }  # 1 Pulse ... 7 Mood

entry_window=""
open_entry() {  # LINE NAME
  click "$MAIN" $(vital_line "$1")
  entry_window=$(wait_window "^Add history entry for Vitals: $2\$") || fail "no entry window for $2"
}
fill_entry() {  # DATE TIME VALUE1 [VALUE2]
  type_into "$entry_window" 180 32 "$1"
  type_into "$entry_window" 180 62 "$2"
  type_into "$entry_window" 180 92 "$3"
  if [ -n "${4:-}" ]; then type_into "$entry_window" 180 122 "$4"; fi
}

# pick_multi CHECKED_AFTER DOWNS [RIGHT_THEN_DOWNS]: toggles an item of
# Multi-Display under Vitals with the keyboard (the third number picks a
# sub-item), then waits for the pick's new line in the standard output, since
# the menu's loop would otherwise take the next input.
pick_multi() {
  local picks
  picks=$(count_of "$E2E_TMP/stdout" "MainWindow::variableCB_i: There are ")
  click "$MAIN" $MULTI_DISPLAY
  key Down; key Right
  for _ in $(seq 1 "$2"); do key Down; done
  if [ -n "${3:-}" ]; then key Right; for _ in $(seq 1 "$3"); do key Down; done; fi
  key Return
  wait_count "$E2E_TMP/stdout" "MainWindow::variableCB_i: There are " $((picks + 1))
  [ "$(grep -F "MainWindow::variableCB_i: There are " "$E2E_TMP/stdout" | tail -1)" = \
    "MainWindow::variableCB_i: There are $1 items checked" ] || fail "after the pick, not $1 items checked"
}
