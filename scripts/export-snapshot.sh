#!/usr/bin/env bash
# Usage: export-snapshot.sh BUILD_DIR OUT_DIR
# Writes everything quorvel-data gives out for a fixed sample folder into
# OUT_DIR: the users list (table and JSON), every user's readings as CSV (with
# and without a byte-order mark), JSON and FHIR, each user's report for a
# fixed period, and `check`; once with the files' own units and once with
# metric preferences, a 24-hour clock and ISO dates. Two snapshots of the
# same data made by two builds are compared with `diff -r`: a change of the
# code that is meant to keep the output must leave no difference.
# Times are those of Europe/Berlin, so the FHIR offsets cross the clock
# changes.
set -euo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
export TZ=Europe/Berlin LC_ALL=C.UTF-8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_folder() {
  local folder=$1
  mkdir -p "$folder"
  cp "$root/data/template_new.xml" "$root/data/readme.txt" "$folder/"
  "$build/quorvel_demo_data" "$root/data/template_new.xml" "$folder" --end 2026/11/30 --seed 7 >/dev/null
}

run() {
  local name=$1
  shift
  set +e
  "$build/quorvel-data" "$@" >"$out/$name" 2>"$out/$name.err"
  echo "exit $?" >>"$out/$name.err"
  set -e
}

snapshot() {
  local tag=$1 folder=$2
  local ids
  run "$tag-users.txt" --data-dir "$folder" users
  run "$tag-users.json" --data-dir "$folder" users --json
  run "$tag-check.txt" --data-dir "$folder" check
  ids=$(sed -n 's/.*<patient id="\([0-9]*\)".*/\1/p' "$folder/config.hma")
  for id in $ids; do
    run "$tag-$id.csv" --data-dir "$folder" export --user "$id"
    run "$tag-$id-bom.csv" --data-dir "$folder" export --user "$id" --bom
    run "$tag-$id.json" --data-dir "$folder" export --user "$id" --format json
    run "$tag-$id.fhir.json" --data-dir "$folder" export --user "$id" --format fhir
    run "$tag-$id-pulse-range.csv" --data-dir "$folder" export --user "$id" --variable Pulse \
      --from 2026-03-01 --to 2026-04-30
    run "$tag-$id.html" --data-dir "$folder" report --user "$id" --to 2026-11-30 --last 1y -o -
    run "$tag-$id-30d.html" --data-dir "$folder" report --user "$id" --to 2026-11-30 --last 30d -o -
  done
}

make_folder "$work/files"
snapshot files "$work/files"

make_folder "$work/metric"
cat >"$work/metric/preferences.xml" <<'EOF'
<preferences>
	<temperature>Cel</temperature>
	<weight>kg</weight>
	<length>cm</length>
	<bloodSugar>mmol/L</bloodSugar>
	<clock>24</clock>
	<date>YYYY-MM-DD</date>
</preferences>
EOF
snapshot metric "$work/metric"
# The folder's own files after all of it: nothing above may write them.
for f in "$work/files"/* "$work/metric"/*; do
  cp "$f" "$out/folder-$(basename "$(dirname "$f")")-$(basename "$f")"
done
echo "$(ls "$out" | wc -l) files in $out"
