#!/usr/bin/env bash
# The doctor's report from the File menu of the real program: a person is
# chosen, "Report for the Doctor…" opens the period window, Return keeps
# "Last 90 days" and opens the file chooser on the person's documents folder
# with the data tool's name, Return saves there, and the page is handed to
# the desktop's opener (a stand-in xdg-open on the PATH that records its
# argument). A report of the data tool for the same person and period has
# the same content.
#
# Usage: report_from_menu.sh <quorvel binary> <source folder>   (needs DISPLAY)
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/main-window.bash"

export HOME="$E2E_TMP/home"
mkdir -p "$HOME/Documents"
# The toolkit's own file chooser, as on a desktop without the GTK libraries
# the native one borrows: it reads a bare file name against the working
# folder, not the folder it was given.
mkdir -p "$HOME/.fltk/fltk.org"
printf '; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n[.]\n\n[./options]\nFNFCUsesGTK:0\n' \
  >"$HOME/.fltk/fltk.org/fltk.prefs"
cat >"$E2E_TMP/bin/xdg-open" <<'OPENER'
#!/bin/sh
printf '%s\n' "$1" >"$(dirname "$0")/opened.tmp"
mv "$(dirname "$0")/opened.tmp" "$(dirname "$0")/opened"
OPENER
chmod +x "$E2E_TMP/bin/xdg-open"
export PATH="$E2E_TMP/bin:$PATH"

step "a data folder with one person's readings"
seed_data
"$(dirname "$E2E_BIN")/quorvel_demo_data" "$E2E_SRC/data/template_new.xml" "$E2E_DATA" >/dev/null ||
  fail "no sample data"
first=$(xmllint --xpath 'string(/config/patient[1]/name/first)' "$E2E_DATA/config.hma")
last=$(xmllint --xpath 'string(/config/patient[1]/name/last)' "$E2E_DATA/config.hma")
today=$(date +%Y-%m-%d)
expected="$HOME/Documents/$first-$last-$today.html"

step "the person chosen, the report asked for from the File menu"
start_app
MAIN=$(wait_window 'Brelwick\. - Quorvel Ondrala') || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "Loaded file config.hma"
click "$MAIN" $USER_LINE_1
wait_contains "$E2E_TRACE" "Loaded file user0.hma"
click "$MAIN" $FILE_MENU
key Down Down Down Down Return
W=$(wait_window '^Report for the Doctor$') || fail "no report window"
shot report-window
key Return

step "the file chooser offers the documents folder and the data tool's name; Return saves"
C=$(wait_window '^Save the Report for the Doctor$') || fail "no file chooser"
shot report-chooser
key Return
wait_contains "$E2E_TMP/bin/opened" "$expected"
assert_eq "$(cat "$E2E_TMP/bin/opened")" "$expected" "the file handed to the opener"
wait_gone "$W" || fail "the report window stayed open"

step "the page is the data tool's"
"$(dirname "$E2E_BIN")/quorvel-data" report --data-dir "$E2E_DATA" --user 0 -o "$E2E_TMP/tool.html" >/dev/null ||
  fail "quorvel-data report failed"
cmp -s "$expected" "$E2E_TMP/tool.html" || fail "the window's report differs from the data tool's"
echo "PASS"
