#!/usr/bin/env bash
# Usage: test-libraries.sh LIBS_FOLDER WORK_FOLDER
# The test programs of the libraries cross-built by build-libraries.sh, run
# under Wine (set up by the caller: WINEPREFIX) in WORK_FOLDER, a folder
# inside the prefix:
#  - zlib: its self-test `example` and a round trip through `minigzip`,
#    whose .gz the Linux gzip reads back;
#  - expat: its whole test suite, `runtests` and `runtestspp`;
#  - libzip: its regression program `fread` on its damaged archive
#    broken.zip (stored, deflated, CRC and zlib errors, encryption refused),
#    and an archive written by its `ziptool_regress` that the Linux unzip
#    reads back, and read back by it.
set -euo pipefail
tests=$(cd "$1/tests" && pwd)
work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"
run() { timeout 300 wine "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }

out=$(run "$tests/zlib-example.exe") || fail "zlib's example: $out"
echo "zlib example: its self-test passed"
head -c 200000 /dev/urandom | base64 >"sample.txt"
cp "sample.txt" original.txt
out=$(run "$tests/zlib-minigzip.exe" "sample.txt") || fail "minigzip: $out"
gzip -dc "sample.txt.gz" | cmp -s - original.txt || fail "gzip does not read minigzip's sample.txt.gz back"
out=$(run "$tests/zlib-minigzip.exe" -d "sample.txt.gz") || fail "minigzip -d: $out"
cmp -s "sample.txt" original.txt || fail "minigzip -d did not give the file back"
echo "zlib minigzip: a round trip through gzip"

for t in runtests runtestspp; do
  out=$(run "$tests/$t.exe") || fail "expat's $t: $(tail -n 20 <<<"$out")"
  grep -q '100%: Checks: [0-9]*, Failed: 0' <<<"$out" || fail "expat's $t: $(tail -n 5 <<<"$out")"
  echo "expat $t: $(grep -o 'Checks: [0-9]*, Failed: 0' <<<"$out")"
done

cp "$tests/libzip/broken.zip" .
out=$(run "$tests/fread.exe" broken.zip) || fail "libzip's fread test: $out"
echo "libzip fread broken.zip: passed"
out=$(run "$tests/ziptool_regress.exe" -n "sample.zip" add "sample.txt" "Greetings from Berlin" add_file original.txt original.txt 0 -1) ||
  fail "ziptool_regress add: $out"
[ "$(unzip -p "sample.zip" "sample.txt")" = "Greetings from Berlin" ] || fail "unzip does not read ziptool's sample.zip"
unzip -p "sample.zip" original.txt | cmp -s - original.txt || fail "unzip does not read original.txt from sample.zip"
out=$(run "$tests/ziptool_regress.exe" "sample.zip" get_num_entries 0 cat 0) || fail "ziptool_regress cat: $out"
grep -q '^2 entries in archive' <<<"$out" && grep -q 'Greetings from Berlin' <<<"$out" || fail "ziptool_regress read back: $out"
echo "libzip ziptool_regress: an archive written and read back, read by unzip"
