#!/usr/bin/env bash
# make lint: checks that every include follows the folders' one-way order
# (scripts/check-layout.sh), then runs clang-tidy (with the checked-in
# .clang-tidy and the build's compile_commands.json) and cppcheck (with
# .cppcheck-suppressions) over the program's sources in platform/ app/
# store/ rules/ exchange/ cli/ ui/, and exits non-zero when any of them
# reports a finding. Findings are listed per file at the end.
# Arguments: files or folders to check instead of the seven folders.
# BUILD_DIR picks the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
jobs=${JOBS:-2}
scripts/install-deps.sh clang-tidy cppcheck

echo "== layout"
layout=0
scripts/check-layout.sh || layout=1

# compile_commands.json: configuring is enough, nothing needs to be built.
if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake -S . -B "$build" >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(platform app store rules exchange cli ui)
mapfile -t sources < <(find "${targets[@]}" -name '*.cpp' -type f 2>/dev/null | sort)
[ ${#sources[@]} -gt 0 ] || { echo "No sources to check." >&2; exit 1; }
# clang-tidy needs each file's compile command: files that no target builds
# (for example one being added right now) are checked by cppcheck only.
compiled=()
for f in "${sources[@]}"; do
  f=${f#./}
  grep -qF "\"file\": \"$root/$f\"" "$build/compile_commands.json" && compiled+=("$f")
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "== clang-tidy: ${#compiled[@]} files"
printf '%s\n' "${compiled[@]}" |
  xargs -P "$jobs" -I{} sh -c 'clang-tidy -p "$1" --quiet "$2" >"$3/tidy.$(echo "$2" | tr / _).log" 2>/dev/null || true' \
    sh "$build" {} "$out"
# One line per finding, each reported once (a header's finding comes back
# from every file that includes it).
cat "$out"/tidy.*.log 2>/dev/null | grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error):' |
  sed "s|^$root/||" | sort -u >"$out/tidy.txt" || true

echo "== cppcheck: ${#sources[@]} files"
cppcheck --quiet --std=c++17 --language=c++ --enable=warning,performance,portability \
  --inline-suppr --suppressions-list=.cppcheck-suppressions -j "$jobs" -I . \
  --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
  "${sources[@]}" 2>"$out/cppcheck.raw" || true
grep -E '^[^ ].*:[0-9]+:[0-9]+: ' "$out/cppcheck.raw" | sed "s|^$root/||" | sort -u >"$out/cppcheck.txt" || true

status=$layout
for tool in tidy cppcheck; do
  n=$(wc -l <"$out/$tool.txt")
  name=$([ "$tool" = tidy ] && echo clang-tidy || echo cppcheck)
  if [ "$n" -gt 0 ]; then
    status=1
    echo
    echo "== $name: $n findings"
    awk -F: '{ if ($1 != last) { print "-- " $1; last = $1 } print "   " $0 }' "$out/$tool.txt"
  else
    echo "$name: no findings"
  fi
done
exit $status
