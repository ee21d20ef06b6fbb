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
"$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
win=$(wait_main_window "$pid")
sleep 1
import -window root "$out/demo-main.png"
echo "Screenshot of the main window saved to $out/demo-main.png"

# The users list starts at (23, 110) in the window; its first line is the
# first person of the sample registry.
xdotool mousemove --window "$win" 80 120 click 1
sleep 1.5
if ! kill -0 "$pid" 2>/dev/null; then
  echo "The program ended after a user was picked." >&2
  exit 1
fi
import -window root "$out/demo-user.png"
echo "Screenshot with the first user chosen saved to $out/demo-user.png"

# "Multi-Display" in the toolbar, its "Vitals" submenu, then Pulse (first
# item) and, after opening the menu again, SpO2 (fourth item).
pick_vital() {
  xdotool mousemove --window "$win" 205 38 click 1
  sleep 0.7
  xdotool mousemove --window "$win" 230 62
  sleep 0.7
  xdotool mousemove --window "$win" 300 "$1" click 1
  sleep 1
}
pick_vital 61
pick_vital 118
sleep 0.5
if ! kill -0 "$pid" 2>/dev/null; then
  echo "The program ended while variables were put on the chart." >&2
  exit 1
fi
import -window root "$out/demo-chart.png"
echo "Screenshot with Pulse and SpO2 on the chart saved to $out/demo-chart.png"

# "Normal Range Display" beside it, its "Vitals" submenu, then Blood Pressure
# (second item).
xdotool mousemove --window "$win" 340 38 click 1
sleep 0.7
xdotool mousemove --window "$win" 365 62
sleep 0.7
xdotool mousemove --window "$win" 490 80 click 1
sleep 1.5
if ! kill -0 "$pid" 2>/dev/null; then
  echo "The program ended while blood pressure was put on the chart." >&2
  exit 1
fi
import -window root "$out/demo-range.png"
echo "Screenshot of blood pressure against its normal range saved to $out/demo-range.png"
