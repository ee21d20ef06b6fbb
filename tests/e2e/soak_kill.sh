#!/usr/bin/env bash
# Crash safety under load: the real program keeps saving pulse entries into a
# large user file (Add in the new entry window, again and again) and is
# killed with SIGKILL at random moments. After every kill each data file must
# still be well-formed and hold every entry whose save had completed (the
# trace log's "Saved file" lines), and at most the one being saved on top.
#
# Usage: soak_kill.sh <quorvel binary> <source folder>   (needs DISPLAY)
# SOAK_KILLS sets the number of kills (default 20; scripts/soak.sh runs 200),
# SOAK_ENTRIES the size of the user file at the start (default 20000 entries).
source "$(dirname "$0")/lib/common.bash"

kills=${SOAK_KILLS:-20}
entries=${SOAK_ENTRIES:-20000}
command -v xmllint >/dev/null || fail "xmllint is needed (package libxml2-utils)"

step "a user with $entries pulse entries"
seed_data
cat >"$E2E_DATA/config.hma" <<'EOF'
<config>
	<patient id="0">
		<name>
			<first>Soak</first>
			<last>Test</last>
		</name>
		<file>user0.hma</file>
	</patient>
</config>
EOF
{
  sed -n '1,/<\/info>/p' "$E2E_DATA/template_new.xml" | sed 's/<patient id="0">/<patient id="0">/'
  printf '\t<variable name="Pulse">\n\t\t<normalLow>60</normalLow>\n\t\t<normalHigh>100</normalHigh>\n'
  printf '\t\t<panicLow>40</panicLow>\n\t\t<panicHigh>130</panicHigh>\n'
  awk -v n="$entries" 'BEGIN {
    for (i = 0; i < n; i++) {
      d = i % 28 + 1; m = int(i / 28) % 12 + 1; y = 2000 + int(i / 336)
      printf "\t\t<entry id=\"%d\">\n\t\t\t<value>%d.000000</value>\n", i, 60 + i % 40
      printf "\t\t\t<date>%d/%02d/%02d</date>\n\t\t\t<time>08:%02d:00 AM</time>\n\t\t</entry>\n", y, m, d, i % 60
    } }'
  printf '\t</variable>\n</patient>\n'
} >"$E2E_DATA/user0.hma"
xmllint --noout "$E2E_DATA/user0.hma" || fail "the generated user file is not well-formed"

entries_now() { grep -c '<entry id=' "$E2E_DATA/user0.hma"; }
saved_now() { count_of "$E2E_TRACE" "Saved file user0.hma"; }

total_saves=0
for k in $(seq 1 "$kills"); do
  before_entries=$(entries_now)
  before_saves=$(saved_now)
  start_app
  MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala' 30) || fail "run $k: no main window"
  loads=$(count_of "$E2E_TRACE" "Loaded file user0.hma")
  click "$MAIN" 80 119                               # the user
  wait_count "$E2E_TRACE" "Loaded file user0.hma" $((loads + 1)) 30
  wait_drawn_after "Loaded file user0.hma" 30
  click "$MAIN" 60 862                               # Pulse
  W=$(wait_window '^Add history entry for Vitals: Pulse$' 30) || fail "run $k: no entry window"
  (
    while true; do
      xdotool mousemove --window "$W" 180 92 click 1 type 72
      xdotool mousemove --window "$W" 135 150 click 1
      sleep 0.02
    done
  ) >/dev/null 2>&1 &
  driver=$!
  sleep "$(awk -v s="$RANDOM" 'BEGIN { srand(s); printf "%.2f", 0.3 + rand() * 1.7 }')"
  kill -9 "$E2E_PID"
  wait "$E2E_PID" 2>/dev/null || true
  E2E_PID=""
  kill "$driver" 2>/dev/null || true
  wait "$driver" 2>/dev/null || true

  for f in "$E2E_DATA"/*.hma; do
    xmllint --noout "$f" 2>/dev/null || fail "run $k: $(basename "$f") is not well-formed after the kill"
  done
  saves=$(($(saved_now) - before_saves))
  added=$(($(entries_now) - before_entries))
  if [ "$added" -lt "$saves" ] || [ "$added" -gt $((saves + 1)) ]; then
    fail "run $k: $saves saves completed but the file gained $added entries"
  fi
  total_saves=$((total_saves + saves))
done
echo "soak: $kills kills, $total_saves completed saves, every file well-formed and complete"
