#!/usr/bin/env bash
# Usage: install_prefix.sh QUORVEL_BINARY SOURCE_DIR
# Installs the build that made QUORVEL_BINARY with `cmake --install` into a
# temporary prefix and checks the result as a person would meet it: the
# files are in place and the launcher seeds a fresh data folder and starts
# the installed program (scripts/check-installed.sh).
set -euo pipefail
binary=$(readlink -f "$1")
source_dir=$(cd "$2" && pwd)
build_dir=$(dirname "$binary")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log" >&2; rm -f "$prefix.log"; exit 1; }
rm -f "$prefix.log"
# Installing may rewrite the run path inside the program (in place, keeping
# its size), so the two are compared by size.
if [ "$(stat -c %s "$binary")" != "$(stat -c %s "$prefix/bin/quorvel")" ]; then
  echo "FAIL: the installed program is not the one built" >&2
  exit 1
fi
cmp -s "$source_dir/scripts/quorvel-launcher.sh" "$prefix/bin/quorvel-launcher" ||
  { echo "FAIL: the installed launcher differs from scripts/quorvel-launcher.sh" >&2; exit 1; }
"$source_dir/scripts/check-installed.sh" "$prefix"
echo "install to a prefix: passed"
