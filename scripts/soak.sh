#!/usr/bin/env bash
# make soak: kills the real program with SIGKILL at random moments while it
# saves entries into a large user file, 200 times by default (SOAK_KILLS),
# and checks every data file after each kill.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target quorvel
SOAK_KILLS=${SOAK_KILLS:-200} scripts/with-display.sh bash tests/e2e/soak_kill.sh build/quorvel "$PWD"
