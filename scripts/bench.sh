#!/usr/bin/env bash
# make bench: builds and runs every benchmark in bench/ (under a virtual
# display, since some of them draw).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  scripts/with-display.sh "$b" "$@"
done
