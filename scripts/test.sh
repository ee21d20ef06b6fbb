#!/usr/bin/env bash
# make test: installs what is missing, builds, runs the whole suite under a
# virtual display, then builds and runs it again with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=${JOBS:-2}
# Most of the tests' time is spent waiting (on the program's windows and
# files, on child processes), so twice as many run at once as compile.
test_jobs=${TEST_JOBS:-$((jobs * 2))}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
scripts/with-display.sh ctest --test-dir build --output-on-failure --timeout 600 -j"$test_jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON -DQUORVEL_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1} UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  scripts/with-display.sh ctest --test-dir build-asan --output-on-failure --timeout 900 -j"$test_jobs"
