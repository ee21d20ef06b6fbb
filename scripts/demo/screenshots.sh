#!/usr/bin/env bash
# Usage: screenshots.sh OUTPUT_FOLDER COMMAND [ARGS...]
# Must run under an X display. Starts COMMAND (Quorvel on the sample data),
# saves a screenshot of the main window as it opens (demo-main.png), then
# picks the first user in the users list and saves a second one
# (demo-user.png), then puts Pulse and SpO2 on the chart through the
# "Multi-Display" menu and saves a third (demo-chart.png), then shows blood
# pressure against its normal range through "Normal Range Display" and saves
# a fourth (demo-range.png), and closes the program.
set -euo pipefail
source "$(dirname "$0")/../wait-main-window.bash"
out=$1
shift

# Saves the screen to $out/$1 and says what it shows ($2); stops when the
# program has ended meanwhile ($3: while doing what).
snap() {
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "The program ended $3." >&2
    exit 1
  fi
  import -window root "$out/$1"
  echo "$2 saved to $out/$1"
}

"$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
win=$(wait_main_window "$pid")
sleep 1
snap demo-main.png "Screenshot of the main window" "as it opened"

# Opens the toolbar menu at x=$1, its "Vitals" submenu just below, and clicks
# the item at ($2, $3).
pick() {
  xdotool mousemove --window "$win" "$1" 38 click 1
  sleep 0.7
  xdotool mousemove --window "$win" "$(($1 + 25))" 62
  sleep 0.7
  xdotool mousemove --window "$win" "$2" "$3" click 1
  sleep 1
}

# The users list starts at (23, 110) in the window; its first line is the
# first person of the sample registry.
xdotool mousemove --window "$win" 80 120 click 1
sleep 1.5
snap demo-user.png "Screenshot with the first user chosen" "after a user was picked"

# "Multi-Display": Pulse (first item) and, after opening the menu again,
# SpO2 (fourth item).
pick 205 300 61
pick 205 300 118
sleep 0.5
snap demo-chart.png "Screenshot with Pulse and SpO2 on the chart" "while variables were put on the chart"

# "Normal Range Display" beside it: Blood Pressure (second item).
pick 340 490 80
sleep 0.5
snap demo-range.png "Screenshot of blood pressure against its normal range" "while blood pressure was put on the chart"
