#!/usr/bin/env bash
# A restore killed at random moments: `quorvel-data restore --yes` is killed
# with SIGKILL while it works, into a folder holding more people than the
# backup and into one holding fewer. The next command that opens the folder
# must find it wholly as before or wholly restored (every file the same
# bytes as one or the other, nothing half), say whether it finished or
# undid the restore, and keep every file a finished restore replaced in
# the before-restore folder.
#
# Usage: restore_kill.sh <quorvel binary> <source folder>
# RESTORE_KILLS sets the number of kills (default 50). Half the kills come
# at a random moment of the whole restore, half in its moves, after the
# journal is written.
source "$(dirname "$0")/lib/common.bash"

BUILD=$(dirname "$E2E_BIN")
QD="$BUILD/quorvel-data"
[ -x "$QD" ] || fail "quorvel-data is not built beside quorvel"
kills=${RESTORE_KILLS:-50}

# person FOLDER ID FIRST LAST ENTRIES: a record and a user file.
person() {
  local folder=$1 id=$2 first=$3 last=$4 entries=$5
  sed -i "s#</config>#\t<patient id=\"$id\">\n\t\t<name>\n\t\t\t<first>$first</first>\n\t\t\t<last>$last</last>\n\t\t</name>\n\t\t<file>user$id.hma</file>\n\t</patient>\n</config>#" \
    "$folder/config.hma"
  {
    printf '<patient id="%s">\n\t<info>\n\t\t<name>\n\t\t\t<first>%s</first>\n\t\t\t<last>%s</last>\n\t\t</name>\n\t</info>\n' "$id" "$first" "$last"
    printf '\t<variable name="Pulse">\n'
    awk -v n="$entries" -v base="$id" 'BEGIN {
      for (i = 0; i < n; i++) {
        printf "\t\t<entry id=\"%d\">\n\t\t\t<value>%d</value>\n", i, 50 + (i + base) % 50
        printf "\t\t\t<date>%d/%02d/%02d</date>\n\t\t\t<time>08:%02d:00 AM</time>\n\t\t</entry>\n", 1990 + int(i / 336), int(i / 28) % 12 + 1, i % 28 + 1, i % 60
      } }'
    printf '\t</variable>\n</patient>\n'
  } >"$folder/user$id.hma"
}

# folder NAME PEOPLE...: a data folder with the program's files and people given as ID:FIRST:LAST:ENTRIES.
folder() {
  local dir="$E2E_TMP/$1"
  shift
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$E2E_SRC/data/template_new.xml" "$E2E_SRC/data/readme.txt" "$dir/"
  printf '<config>\n</config>\n' >"$dir/config.hma"
  local p
  for p in "$@"; do
    IFS=: read -r id first last entries <<<"$p"
    person "$dir" "$id" "$first" "$last" "$entries"
  done
  echo "$dir"
}

# The folder's own files with their checksums (the kept folder and the
# restore's hidden files left out: they must be gone).
state() { (cd "$1" && find . -maxdepth 1 -type f ! -name '.*' -printf '%f\n' | sort | xargs -r sha256sum); }

step "a backup of three people"
source_dir=$(folder source 0:Ann:Lee:40000 1:Bob:Ray:30000 2:Cy:Moe:20000)
"$QD" --data-dir "$source_dir" backup -o "$E2E_TMP/b.zip" >/dev/null || fail "the backup was not made"

shapes=(more fewer)
make_target() {
  case $1 in
    more) folder "target-$1" 0:Ann:Lee:100 1:Bob:Ray:50000 2:Cy:Moe:10 3:Dee:Fox:30000 4:Eve:Kim:5 ;;
    fewer) folder "target-$1" 1:Old:One:25000 ;;
  esac
}

declare -A before after duration
for shape in "${shapes[@]}"; do
  dir=$(make_target "$shape")
  before[$shape]=$(state "$dir")
  start=$(date +%s%N)
  "$QD" --data-dir "$dir" restore --yes "$E2E_TMP/b.zip" >/dev/null || fail "a whole restore ($shape) failed"
  duration[$shape]=$((($(date +%s%N) - start) / 1000000))
  after[$shape]=$(state "$dir")
  [ "${before[$shape]}" != "${after[$shape]}" ] || fail "the restore ($shape) changed nothing"
done
echo "a whole restore takes ${duration[more]} ms (more people) and ${duration[fewer]} ms (fewer)"

step "$kills kills at random moments"
as_before=0 as_after=0 finished=0 undone=0
for k in $(seq 1 "$kills"); do
  shape=${shapes[$((k % 2))]}
  dir=$(make_target "$shape")
  # A moment from the start to a little past the end of a whole restore.
  pause=$(awk -v s="$RANDOM" -v d="${duration[$shape]}" 'BEGIN { srand(s); printf "%.3f", rand() * d * 1.2 / 1000 }')
  "$QD" --data-dir "$dir" restore --yes "$E2E_TMP/b.zip" >/dev/null 2>&1 &
  pid=$!
  if [ $((k % 4)) -lt 2 ]; then
    sleep "$pause"
  else
    # Every other pair of runs waits for the journal, the moment the
    # restore starts moving files, and kills in the moves that follow.
    for _ in $(seq 1 200000); do
      [ -e "$dir/.restore-journal" ] || ! kill -0 "$pid" 2>/dev/null && break
    done
    [ $((k % 4)) -eq 2 ] || sleep 0.00$((RANDOM % 10))
  fi
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  # The next command that opens the folder.
  "$QD" --data-dir "$dir" users >"$E2E_TMP/users.out" 2>"$E2E_TMP/users.err" ||
    fail "run $k ($shape): the folder could not be used after the kill: $(cat "$E2E_TMP/users.err")"
  now=$(state "$dir")
  [ ! -e "$dir/.restore-journal" ] && [ ! -e "$dir/.restore-incoming" ] ||
    fail "run $k ($shape): the restore's own files are left"
  if [ "$now" = "${before[$shape]}" ]; then
    as_before=$((as_before + 1))
    if grep -q "undone" "$E2E_TMP/users.err"; then undone=$((undone + 1)); fi
    ! ls -d "$dir"/before-restore-* >/dev/null 2>&1 || fail "run $k ($shape): a kept folder after an undone restore"
  elif [ "$now" = "${after[$shape]}" ]; then
    as_after=$((as_after + 1))
    if grep -q "has now been finished" "$E2E_TMP/users.err"; then finished=$((finished + 1)); fi
    # Every file the restore replaced is whole in the kept folder.
    kept=$(ls -d "$dir"/before-restore-* 2>/dev/null) || fail "run $k ($shape): restored, but no before-restore folder keeps what it replaced"
    while read -r sum name; do
      if [ -e "$dir/$name" ] && [ "$(sha256sum <"$dir/$name" | cut -d' ' -f1)" = "$sum" ]; then continue; fi
      [ "$(sha256sum <"$kept/$name" | cut -d' ' -f1)" = "$sum" ] ||
        fail "run $k ($shape): $name of the folder before is lost"
    done <<<"${before[$shape]}"
  else
    diff <(echo "${before[$shape]}") <(echo "$now") >&2 || true
    fail "run $k ($shape): the folder is neither as before nor restored"
  fi
done
echo "restore kills: $kills kills; $as_before left as before ($undone undone on opening), $as_after restored ($finished finished on opening)"
[ "$as_before" -gt 0 ] && [ "$as_after" -gt 0 ] || fail "the kills did not land both before and after the restore's end"
