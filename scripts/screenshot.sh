#!/usr/bin/env bash
# Usage: screenshot.sh OUTPUT.png COMMAND [ARGS...]
# Must run under an X display. Starts COMMAND, waits for Quorvel's main
# window, saves a screenshot of the screen to OUTPUT.png and closes COMMAND.
set -euo pipefail
out=$1
shift
"$@" &
pid=$!
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --onlyvisible --name 'Brelwick\. - Quorvel' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "The program ended before its window appeared." >&2
    wait "$pid" || true
    exit 1
  fi
  sleep 0.2
done
if [ -z "$win" ]; then
  echo "The main window did not appear." >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
sleep 1
import -window root "$out"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
