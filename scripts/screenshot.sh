#!/usr/bin/env bash
# Usage: screenshot.sh OUTPUT.png COMMAND [ARGS...]
# Must run under an X display. Starts COMMAND, waits for Quorvel's main
# window, saves a screenshot of the screen to OUTPUT.png and closes COMMAND.
set -euo pipefail
source "$(dirname "$0")/wait-main-window.bash"
out=$1
shift
"$@" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
wait_main_window "$pid" >/dev/null
sleep 1
import -window root "$out"
