# wait_main_window PID: prints the id of Quorvel's main window once it is
# visible. Fails when the program ends first or after 20 seconds.
wait_main_window() {
  local pid=$1 win=""
  for _ in $(seq 1 100); do
    win=$(xdotool search --onlyvisible --name 'Brelwick\. - Quorvel' 2>/dev/null | head -n 1 || true)
    if [ -n "$win" ]; then echo "$win"; return 0; fi
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "The program ended before its window appeared." >&2
      return 1
    fi
    sleep 0.2
  done
  echo "The main window did not appear." >&2
  return 1
}
