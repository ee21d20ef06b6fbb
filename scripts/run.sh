#!/usr/bin/env bash
# make run: installs what is missing, builds, seeds the data folder when it
# is absent (never overwriting a file) and starts Quorvel. Without a display
# it starts Quorvel on a virtual display and saves a screenshot instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target quorvel
export QUORVEL_SHARE="$PWD/data" QUORVEL_EXE="$PWD/build/quorvel"
if [ -n "${DISPLAY:-}" ]; then
  exec scripts/quorvel-launcher.sh
fi
shot="$PWD/build/quorvel-screenshot.png"
echo "No display found (DISPLAY is not set): starting Quorvel on a virtual display to take a screenshot."
scripts/with-display.sh scripts/screenshot.sh "$shot" scripts/quorvel-launcher.sh
echo "Screenshot of the main window saved to $shot"
