#!/usr/bin/env bash
# Usage: data-tool-archives.sh TOOL DATA_FOLDER WORK_FOLDER
# quorvel-data.exe under Wine with the .zip files the Windows build reads and
# writes through libzip and expat, named outside ASCII in a profile named
# outside ASCII: a backup of the data folder (named and by default), a
# phone's health export imported for the user "Zoë Ångström", the backup
# restored over it (the replaced files kept in a before-restore folder), and what must be
# refused: a damaged backup and a .zip without the export, each leaving the
# folder as it was. Run by scripts/windows-test.sh with Wine set up
# (WINEPREFIX; the folders are Linux paths inside the prefix). The data folder
# holds the user 1 "Zoë Ångström" (user1.hma).
set -euo pipefail
tool=$1 data=$2 work=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
mkdir -p "$work"
cd "$work"
run() { timeout 120 wine "$tool" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# The folder's files and their checksums, to see that a refusal changed nothing.
folder_state() { (cd "$data" && sha256sum -- * | sort); }

# A backup, under a name outside ASCII, holds the folder's files and her name.
out=$(run backup -o "Zoë Ångström backup.zip") || fail "backup: $out"
[ -s "Zoë Ångström backup.zip" ] || fail "backup wrote no Zoë Ångström backup.zip: $out"
listing=$(unzip -Z1 "Zoë Ångström backup.zip")
for f in config.hma user0.hma user1.hma template_new.xml quorvel-backup.txt; do
  grep -qx "$f" <<<"$listing" || fail "the backup lacks $f: $listing"
done
unzip -p "Zoë Ångström backup.zip" user1.hma | grep -q '<first>Zoë</first>' || fail "the backup garbled user1.hma"
echo "backup -o \"Zoë Ångström backup.zip\": $(wc -l <<<"$listing") files"
# Without -o: Quorvel-backup-<today>.zip in the current folder (today in Berlin).
out=$(run backup) || fail "backup by default: $out"
[ -s "Quorvel-backup-$(date +%F).zip" ] || fail "no Quorvel-backup-$(date +%F).zip in $work: $out"
echo "backup: Quorvel-backup-$(date +%F).zip"

# A phone's health export: export.xml inside a .zip, with a source named
# outside ASCII.
python3 - "Zoë export.zip" <<'PY'
import sys, zipfile
xml = '''<?xml version="1.0" encoding="UTF-8"?>
<HealthData locale="de_DE">
 <ExportDate value="2024-03-01 09:00:00 +0100"/>
 <Me HKCharacteristicTypeIdentifierDateOfBirth="1950-03-07" HKCharacteristicTypeIdentifierBiologicalSex="HKBiologicalSexFemale" HKCharacteristicTypeIdentifierBloodType="HKBloodTypeNotSet" HKCharacteristicTypeIdentifierFitzpatrickSkinType="HKFitzpatrickSkinTypeNotSet"/>
 <Record type="HKQuantityTypeIdentifierHeartRate" sourceName="Zoës Blutdruckmessgerät" unit="count/min" creationDate="2024-01-15 08:00:00 +0100" startDate="2024-01-15 08:00:00 +0100" endDate="2024-01-15 08:00:00 +0100" value="72"/>
 <Record type="HKQuantityTypeIdentifierBodyMass" sourceName="Waage" unit="kg" creationDate="2024-01-16 07:00:00 +0100" startDate="2024-01-16 07:00:00 +0100" endDate="2024-01-16 07:00:00 +0100" value="61.5"/>
</HealthData>
'''
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("apple_health_export/export_cda.xml", "<ClinicalDocument/>")
    z.writestr("apple_health_export/export.xml", xml)
PY
out=$(run import --user 1 --format apple-health "Zoë export.zip") || fail "the phone's export: $out"
grep -q 'added 2' <<<"$out" || fail "the phone's export did not add its two readings: $out"
readings=$(run export --user 1) || fail "export after the phone's import: $readings"
# Her weight is kept in her file's unit, pounds: 61.5 kg is 135.58 lb.
grep -q '^1,Zoë,Ångström,Pulse,,2024-01-15T08:00:00,72\.' <<<"$readings" &&
  grep -q '^1,Zoë,Ångström,Weight,,2024-01-16T07:00:00,135\.58' <<<"$readings" ||
  fail "the phone's readings are not in her export: $readings"
echo "import --format apple-health \"Zoë export.zip\": $(head -n 1 <<<"$out")"

# Refused, changing nothing: a .zip without the export, a damaged backup.
before=$(folder_state)
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").writestr("notes.txt", "no export")' "Zoë notes.zip"
status=0
out=$(run import --user 1 --format apple-health "Zoë notes.zip") || status=$?
[ "$status" != 0 ] || fail "a .zip without export.xml was imported: $out"
head -c 2000 "Zoë Ångström backup.zip" >"Zoë damaged.zip"
status=0
out=$(run restore --yes "Zoë damaged.zip") || status=$?
[ "$status" != 0 ] || fail "a damaged backup was restored: $out"
[ "$(folder_state)" = "$before" ] || fail "a refused import or restore changed the data folder"
echo "refused, folder unchanged: a .zip without export.xml, a damaged backup ($(tail -n 1 <<<"$out"))"

# The backup made before the import, restored: user1.hma as it was then, the
# replaced one (with the phone's readings) kept in the before-restore folder
# the restore made inside the data folder.
out=$(run restore --yes "Zoë Ångström backup.zip") || fail "restore: $out"
cmp -s <(unzip -p "Zoë Ångström backup.zip" user1.hma) "$data/user1.hma" || fail "restore did not put user1.hma back"
kept=$(ls -d "$data"/before-restore-*/ 2>/dev/null | head -n 1)
[ -n "$kept" ] || fail "the restore made no before-restore folder"
grep -q '<value>135\.58' "$kept/user1.hma" || fail "the replaced user1.hma was not kept in $kept"
readings=$(run export --user 1) || fail "export after the restore: $readings"
! grep -q ',Weight,,2024-01-16T07:00:00,' <<<"$readings" || fail "the restored folder still has the imported reading"
echo "restore --yes \"Zoë Ångström backup.zip\": $(tail -n 1 <<<"$out")"
