#!/usr/bin/env bash
# Builds the data-file fuzzer and the CSV reader fuzzer in build-fuzz/ and
# runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per fuzzer (default 60)] [extra libFuzzer options...]
# Findings (crash-*, leak-*, timeout-*) are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/install-deps.sh clang libclang-rt-14-dev

out=build-fuzz
mkdir -p "$out/corpus" "$out/findings"
CXX=${CXX:-clang++}
rapidxml_include=$(dirname "$(dirname "$(find /usr/include /usr/local/include -name rapidxml.hpp -path '*rapidxml/*' 2>/dev/null | head -n1)")")
binary=$out/fuzz_data_file
sources=(tests/fuzz/fuzz_data_file.cpp store/XmlFile.cpp store/FileMark.cpp platform/Platform.cpp)
if [[ ! -x $binary ]] || [[ -n $(find "${sources[@]}" store/XmlFile.h store/XmlDocument.h platform/Platform.h -newer "$binary" 2>/dev/null) ]]; then
  echo "Building $binary"
  "$CXX" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. -I"$rapidxml_include" "${sources[@]}" -o "$binary"
fi

# Seed corpus: the installed data files and a few generated ones.
cp -f data/config.hma data/template_new.xml "$out/corpus/"
bash tests/fuzz/make_seeds.sh "$out/corpus"

echo "Fuzzing for $seconds s"
"$binary" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/findings/" -print_final_stats=1 "$@" "$out/corpus"

# The CSV reader of quorvel-data.
csv_binary=$out/fuzz_csv_reader
csv_sources=(tests/fuzz/fuzz_csv_reader.cpp exchange/CsvReader.cpp exchange/CsvWriter.cpp)
if [[ ! -x $csv_binary ]] || [[ -n $(find "${csv_sources[@]}" exchange/CsvReader.h exchange/CsvWriter.h -newer "$csv_binary" 2>/dev/null) ]]; then
  echo "Building $csv_binary"
  "$CXX" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I. "${csv_sources[@]}" -o "$csv_binary"
fi
mkdir -p "$out/csv-corpus"
printf 'user_id,first_name,last_name,variable,member,datetime,value,unit,entry_id\r\n0,Ann,"Lee, Jr.",Blood Pressure,systolic,2026-03-05T08:30:00,120.000000,mm[Hg],0\r\n' \
  >"$out/csv-corpus/export.csv"
printf '\xef\xbb\xbfdatetime,value\n2026-03-05 08:30,72\n\n"2026-03-06T08:30:00","7""2"\n' >"$out/csv-corpus/plain.csv"
echo "Fuzzing the CSV reader for $seconds s"
"$csv_binary" -max_total_time="$seconds" -max_len=200000 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$out/findings/csv-" -print_final_stats=1 "$@" "$out/csv-corpus"
