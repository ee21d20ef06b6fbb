#!/usr/bin/env bash
# Usage: windows_build.sh QUORVEL_BINARY SOURCE_DIR
# Cross-compiles the program's core for Windows (scripts/check-windows.sh)
# into a temporary folder. On a machine without the mingw-w64 cross
# compiler the test is skipped: it says so and passes.
set -euo pipefail
source_dir=$(cd "$2" && pwd)
build_dir=$(dirname "$(readlink -f "$1")")
if grep -q '^QUORVEL_SANITIZE:BOOL=ON' "$build_dir/CMakeCache.txt" 2>/dev/null; then
  echo "windows build: skipped in the sanitizer build (the plain build runs it; the cross build does not depend on it)"
  exit 0
fi
have=""
for c in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++; do
  command -v "$c" >/dev/null && { have=$c; break; }
done
if [ -z "$have" ]; then
  echo "windows build: skipped (the mingw-w64 cross compiler is not installed; scripts/check-windows.sh installs it)"
  exit 0
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
QUORVEL_NO_INSTALL=1 "$source_dir/scripts/check-windows.sh" "$out"
