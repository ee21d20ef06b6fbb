#!/usr/bin/env bash
# quorvel-data on real data folders: the sample folder of `make demo` and
# the folder the launcher seeds, exported, imported into a new user, exported
# again and compared; an import of another person's readings refused; -o
# refusing a symbolic link and a full standard output reported; import
# refused while Quorvel has the folder open; check on a folder damaged in
# each way it looks for; the units the folder's preferences choose.
#
# Usage: data_tool.sh <quorvel binary> <source folder>   (needs DISPLAY)
if [[ -z ${DISPLAY:-} ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "$0" "$@"
fi
source "$(dirname "$0")/lib/common.bash"

BUILD=$(dirname "$E2E_BIN")
QD="$BUILD/quorvel-data"
[ -x "$QD" ] || fail "quorvel-data is not built beside quorvel"
MAIN_TITLE='^Brelwick\. - Quorvel Ondrala$'

# The readings of an export: variable, member, datetime and value.
readings() { cut -d, -f4-7 "$1"; }

# add_user FOLDER ID FIRST LAST: a registry record and a file made from the template.
add_user() {
  local folder=$1 id=$2
  sed -i 's#<config/>#<config>\n</config>#' "$folder/config.hma"
  sed -i "s#</config>#\t<patient id=\"$id\">\n\t\t<name>\n\t\t\t<first>$3</first>\n\t\t\t<last>$4</last>\n\t\t</name>\n\t\t<file>user$id.hma</file>\n\t</patient>\n</config>#" \
    "$folder/config.hma"
  sed "0,/id=\"[0-9]*\"/s//id=\"$id\"/" "$folder/template_new.xml" >"$folder/user$id.hma"
}

step "the sample data of make demo: export, import into a new user, export again"
demo="$E2E_TMP/demo"
mkdir -p "$demo"
cp "$E2E_SRC/data/template_new.xml" "$E2E_SRC/data/readme.txt" "$demo/"
"$BUILD/quorvel_demo_data" "$E2E_SRC/data/template_new.xml" "$demo" >/dev/null
"$QD" --data-dir "$demo" check >"$E2E_TMP/check.out" || fail "check of the sample data: $(cat "$E2E_TMP/check.out")"
"$QD" --data-dir "$demo" export --user 0 -o "$E2E_TMP/first.csv" || fail "export of user 0"
[ "$(wc -l <"$E2E_TMP/first.csv")" -gt 1000 ] || fail "the export holds too few rows"
add_user "$demo" 3 Copy Person
cp "$demo/user3.hma" "$E2E_TMP/user3.before"
set +e
"$QD" --data-dir "$demo" import --user "Copy Person" "$E2E_TMP/first.csv" >"$E2E_TMP/cross.out" 2>"$E2E_TMP/cross.err"
status=$?
set -e
assert_eq "$status" 1 "exit status of an import of another person's readings"
assert_contains "$E2E_TMP/cross.err" "the row is for"
assert_contains "$E2E_TMP/cross.err" "not Copy Person (id 3)"
cmp -s "$demo/user3.hma" "$E2E_TMP/user3.before" || fail "the refused import changed user3.hma"
"$QD" --data-dir "$demo" import --user "Copy Person" --allow-other-person "$E2E_TMP/first.csv" >"$E2E_TMP/import.out" ||
  fail "import: $(cat "$E2E_TMP/import.out")"
assert_contains "$E2E_TMP/import.out" "already present 0, refused 0"
"$QD" --data-dir "$demo" export --user 3 -o "$E2E_TMP/second.csv" || fail "export of the new user"
diff <(readings "$E2E_TMP/first.csv") <(readings "$E2E_TMP/second.csv") >/dev/null ||
  fail "the readings differ after export, import and export"
"$QD" --data-dir "$demo" import --user 3 --allow-other-person - <"$E2E_TMP/first.csv" >"$E2E_TMP/again.out"
assert_contains "$E2E_TMP/again.out" "added 0, already present"
"$QD" --data-dir "$demo" check >/dev/null || fail "check after the import"

step "the folder's preferences choose the export's units; damaged ones are said and the files' units used"
printf '<preferences>\n\t<temperature>Cel</temperature>\n</preferences>\n' >"$demo/preferences.xml"
"$QD" --data-dir "$demo" export --user 0 --variable Temperature -o "$E2E_TMP/celsius.csv" || fail "export in Celsius"
assert_contains "$E2E_TMP/celsius.csv" ",Cel,"
assert_not_contains "$E2E_TMP/celsius.csv" "[degF]"
printf '<preferences><temperature>C</temperature></preferences>' >"$demo/preferences.xml"
"$QD" --data-dir "$demo" export --user 0 --variable Temperature -o "$E2E_TMP/fahrenheit.csv" 2>"$E2E_TMP/prefs.err" ||
  fail "export with damaged preferences"
assert_contains "$E2E_TMP/prefs.err" 'preferences.xml: <temperature> holds "C"'
assert_contains "$E2E_TMP/fahrenheit.csv" ",[degF],"
rm "$demo/preferences.xml"

step "outputs: -o replaces only a regular file, - is standard output, a full standard output is an error"
echo keep >"$E2E_TMP/target.csv"
ln -s "$E2E_TMP/target.csv" "$E2E_TMP/link.csv"
set +e
"$QD" --data-dir "$demo" export --user 0 -o "$E2E_TMP/link.csv" 2>"$E2E_TMP/link.err"
status=$?
set -e
assert_eq "$status" 2 "exit status of export -o onto a symbolic link"
assert_contains "$E2E_TMP/link.err" "link.csv: is a symbolic link"
[ -L "$E2E_TMP/link.csv" ] || fail "the symbolic link was replaced"
assert_eq "$(cat "$E2E_TMP/target.csv")" keep "the link's target after the refused export"
(cd "$E2E_TMP" && "$QD" --data-dir "$demo" export --user 0 -o - >dash.csv) || fail "export -o -"
[ ! -e "$E2E_TMP/-" ] || fail "export -o - wrote a file named -"
cmp -s "$E2E_TMP/dash.csv" "$E2E_TMP/first.csv" || fail "export -o - differs from export -o FILE"
set +e
"$QD" --data-dir "$demo" export >/dev/full 2>"$E2E_TMP/full.err"
status=$?
set -e
assert_eq "$status" 1 "exit status of export > /dev/full"
assert_contains "$E2E_TMP/full.err" "quorvel-data: cannot write to standard output: No space left on device"

step "conventions: the version of the build, usage lines that name the program, an empty --data-dir refused"
assert_eq "$("$QD" --version)" "quorvel-data 1.0.0" "quorvel-data --version"
"$QD" export --help | grep -q "^Usage: quorvel-data export \[OPTIONS\]" || fail "the usage line of export"
# Every option the help of the program and of each command lists is in the manual page.
man_text=$(sed 's/\\-/-/g' "$E2E_SRC/docs/man/quorvel-data.1")
for command in "" users export import check remove report backup restore; do
  for option in $("$QD" $command --help | grep -oE -- '--[a-z][a-z-]+' | sort -u); do
    [ "$option" = --help ] || [ "$option" = --version ] || grep -qF -- "$option" <<<"$man_text" ||
      fail "quorvel-data $command --help lists $option, which the manual page does not"
  done
done
set +e
"$QD" --data-dir "" users >/dev/null 2>"$E2E_TMP/empty.err"
status=$?
set -e
assert_eq "$status" 2 "exit status of --data-dir \"\""
assert_contains "$E2E_TMP/empty.err" "quorvel-data: --data-dir"

step "the folder the launcher seeds: import refused while Quorvel has it open, accepted after"
seed_data
start_app
MAIN=$(wait_window "$MAIN_TITLE") || fail "the main window did not appear"
wait_contains "$E2E_TRACE" "Loaded file config.hma"
add_user "$E2E_DATA" 0 Ann Lee
printf 'datetime,value\n2026-01-05T08:30:00,72\n' >"$E2E_TMP/plain.csv"
before=$(md5sum "$E2E_DATA/user0.hma")
set +e
"$QD" import --user "Ann Lee" --variable Pulse "$E2E_TMP/plain.csv" 2>"$E2E_TMP/locked.err"
status=$?
set -e
assert_eq "$status" 1 "exit status of an import while Quorvel runs"
assert_contains "$E2E_TMP/locked.err" "Quorvel has this data folder open"
assert_eq "$(md5sum "$E2E_DATA/user0.hma")" "$before" "user file after the refused import"
kill -9 "$E2E_PID"
wait "$E2E_PID" 2>/dev/null || true
"$QD" import --user "Ann Lee" --variable Pulse "$E2E_TMP/plain.csv" >/dev/null || fail "import after the program ended"
"$QD" export --variable Pulse >"$E2E_TMP/pulse.csv"
assert_contains "$E2E_TMP/pulse.csv" "0,Ann,Lee,Pulse,,2026-01-05T08:30:00,72.000000,/min,0"

step "remove asks first and writes nothing without a yes"
before=$(md5sum "$E2E_DATA/user0.hma")
echo n | "$QD" remove --user 0 --variable Pulse --entry 0 >"$E2E_TMP/remove.out" && fail "remove without a yes succeeded"
assert_eq "$(md5sum "$E2E_DATA/user0.hma")" "$before" "user file after a declined removal"
echo y | "$QD" remove --user 0 --variable Pulse --entry 0 >/dev/null || fail "remove with a yes"
"$QD" export --variable Pulse >"$E2E_TMP/pulse.csv"
assert_not_contains "$E2E_TMP/pulse.csv" "72.000000"

step "check finds each kind of damage and writes nothing"
damaged="$E2E_TMP/damaged"
cp -r "$demo" "$damaged"
add_user "$damaged" 4 No File && rm "$damaged/user4.hma"
add_user "$damaged" 5 Bad Xml && echo '<patient id="5"><info>' >"$damaged/user5.hma"
add_user "$damaged" 6 Other Id && sed -i '0,/id="6"/s//id="9"/' "$damaged/user6.hma"
sed -i '0,/<patient id="1">/s//<patient id="0">/' "$damaged/config.hma"
cp "$damaged/user2.hma" "$damaged/user7.hma" && cp "$damaged/user2.hma" "$damaged/user2.hma.old"
sed -i '0,/<value>[^<]*</s//<value>7x</; 0,/<date>[^<]*</s//<date>2024\/02\/30</' "$damaged/user0.hma"
sed -i '0,/<normalLow>[^<]*</s//<normalLow>abc</' "$damaged/user0.hma"
sed -i '0,/<date>[^<]*</s//<date>20244\/01\/01</' "$damaged/user1.hma"
sed -i '0,/<panicLow>[^<]*</s//<panicLow>999</' "$damaged/user2.hma"
snapshot=$(cd "$damaged" && md5sum *)
set +e
"$QD" --data-dir "$damaged" check >"$E2E_TMP/damaged.out"
status=$?
set -e
assert_eq "$status" 1 "exit status of check on a damaged folder"
for finding in "duplicate id 0" "user 4: its data file user4.hma is missing" "user5.hma: not well-formed" \
  "user6.hma: patient id 9 differs" "user7.hma: user file that no registry record names" \
  "user2.hma.old: leftover file" 'value "7x" is not a number' 'date "2024/02/30"' 'normalLow "abc" is not a number' \
  "entry is dated after today" "panicLow is above panicHigh"; do
  assert_contains "$E2E_TMP/damaged.out" "$finding"
done
assert_not_contains "$E2E_TMP/damaged.out" "out of time order"
assert_eq "$(cd "$damaged" && md5sum *)" "$snapshot" "the damaged folder after check"
echo "data tool: all steps passed"
