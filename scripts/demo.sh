#!/usr/bin/env bash
# make demo: builds Quorvel, writes a sample data folder into the build tree
# (build/demo-data/Brelwick/Quorvel: three people with about a year of
# readings) and starts Quorvel on it. The user's own data folder is never
# read or written: XDG_DATA_HOME points into the build tree.
# Without a display it takes screenshots on a virtual display instead:
# build/demo-main.png, build/demo-user.png, build/demo-chart.png and
# build/demo-range.png.
#
# DEMO_END=YYYY/MM/DD fixes the last day with readings (default: today);
# DEMO_SEED=N changes the random readings; BUILD_DIR picks the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target quorvel
build_abs=$(cd "$build" && pwd)

# The generator: the CMake target when the build defines it, otherwise
# compiled here against the store library that the program was built with.
gen=$build/quorvel_demo_data
targets=$(cmake --build "$build" --target help 2>/dev/null || true)
if grep -qw quorvel_demo_data <<<"$targets"; then
  cmake --build "$build" -j2 --target quorvel_demo_data >/dev/null
else
  if [ ! -x "$gen" ] || [ "$gen" -ot scripts/demo/DemoData.h ] || [ "$gen" -ot scripts/demo/DemoDataMain.cpp ] ||
     [ "$gen" -ot "$build"/libquorvel_store.a ]; then
    echo "Compiling the sample data generator"
    g++ -std=c++17 -O1 -Wall -Wextra -I"$root" scripts/demo/DemoDataMain.cpp \
      "$build"/libquorvel_store.a "$build"/libquorvel_app.a "$build"/libquorvel_platform.a -o "$gen"
  fi
fi

demo_home="$build_abs/demo-data"
folder="$demo_home/Brelwick/Quorvel"
rm -rf "$demo_home"
mkdir -p "$folder"
chmod 700 "$demo_home/Brelwick" "$folder"
for f in template_new.xml readme.txt; do
  [ -e "data/$f" ] && cp "data/$f" "$folder/$f"
done
args=(data/template_new.xml "$folder")
[ -n "${DEMO_END:-}" ] && args+=(--end "$DEMO_END")
[ -n "${DEMO_SEED:-}" ] && args+=(--seed "$DEMO_SEED")
"$gen" "${args[@]}"
chmod 600 "$folder"/*

export XDG_DATA_HOME="$demo_home"
export QUORVEL_SHARE="$root/data" QUORVEL_EXE="$build_abs/quorvel"
if [ -n "${DISPLAY:-}" ]; then
  echo "Starting Quorvel on the sample data in $folder"
  exec scripts/quorvel-launcher.sh
fi
echo "No display found (DISPLAY is not set): starting Quorvel on a virtual display to take screenshots."
scripts/with-display.sh scripts/demo/screenshots.sh "$build_abs" scripts/quorvel-launcher.sh
