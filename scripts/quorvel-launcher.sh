#!/usr/bin/env bash
# Starts Quorvel after making sure the user's data folder exists: on first
# run it is seeded from the installed data files. Existing files are never
# overwritten. The program itself never creates the folder.
set -eu
here=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
share=${QUORVEL_SHARE:-$here/../share/quorvel/data}
exe=${QUORVEL_EXE:-$here/quorvel}
base=${XDG_DATA_HOME:-}
case "$base" in /*) ;; *) base="$HOME/.local/share" ;; esac
folder="$base/Brelwick/Quorvel"
if [ ! -d "$folder" ]; then
  mkdir -p "$folder"
  chmod 700 "$folder"
fi
for f in config.hma template_new.xml readme.txt; do
  if [ ! -e "$folder/$f" ] && [ -e "$share/$f" ]; then
    cp "$share/$f" "$folder/$f"
    chmod 600 "$folder/$f"
  fi
done
exec "$exe" "$@"
