#!/usr/bin/env bash
# Usage: check-windows.sh [OUTPUT_FOLDER]
# Compiles the program's core (every toolkit-free file of platform/, app/,
# store/ and rules/ as their sources.cmake lists them, of the platform layer
# its Windows files: the platform layer, the trace log, the dialogs seam,
# the data store and the rules) for Windows with Debian's mingw-w64 cross compiler, with
# -Wall -Wextra -Werror, and links them with scripts/windows/WindowsCheck.cpp
# into quorvel-windows-check.exe, a small program that prints the data
# folder and the trace log path. Then checks that the program imports the
# Windows calls of the platform layer (SHGetFolderPathW, GetModuleFileNameW),
# so the Windows branch is the one that was compiled. This is the quick
# check of every build; `make test-windows` builds the whole program and runs
# it under Wine.
# Installs the cross compiler when it is missing, unless QUORVEL_NO_INSTALL=1.
# MINGW_CXX chooses the compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-build-windows}

find_compiler() {
  if [ -n "${MINGW_CXX:-}" ]; then command -v "$MINGW_CXX" && return 0; return 1; fi
  for c in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-win32 x86_64-w64-mingw32-g++; do
    command -v "$c" >/dev/null && { command -v "$c"; return 0; }
  done
  return 1
}

if ! cxx=$(find_compiler); then
  if [ "${QUORVEL_NO_INSTALL:-0}" = 1 ]; then
    echo "The mingw-w64 cross compiler (x86_64-w64-mingw32-g++) is not installed." >&2
    exit 3
  fi
  scripts/install-deps.sh g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  cxx=$(find_compiler) || { echo "The mingw-w64 cross compiler could not be installed." >&2; exit 1; }
fi
prefix=${cxx%-g++*}
objdump=$(command -v "$(basename "$prefix")-objdump" || true)
echo "Compiler: $cxx ($("$cxx" -dumpversion))"

# rapidxml is a header-only library: its Debian headers serve the cross
# build too. A folder holding only it keeps the host's other headers out.
mkdir -p "$out/include" "$out/obj"
out=$(cd "$out" && pwd)
rapidxml_dir=$(dirname "$(find /usr/include /usr/local/include -path '*/rapidxml/rapidxml.hpp' 2>/dev/null | head -n 1)")
[ -d "$rapidxml_dir" ] || { echo "The rapidxml headers are missing (librapidxml-dev)." >&2; exit 1; }
ln -sfn "$rapidxml_dir" "$out/include/rapidxml"

# The core sources, as the build lists them.
mapfile -t sources < <(cat platform/sources.cmake app/sources.cmake store/sources.cmake rules/sources.cmake 2>/dev/null |
  grep -o '[A-Za-z0-9_./-]*\.cpp' | grep -v -e 'BatchedSeries' -e 'ToolkitNotices' -e 'WindowIcon' -e 'DesktopScaleX11' -e 'DesktopScalePlain' -e 'DesktopScaleWindows' -e '/posix/' |
  sort -u)
[ "${#sources[@]}" -gt 0 ] || { echo "No core sources found." >&2; exit 1; }
sources+=(scripts/windows/WindowsCheck.cpp)

flags=(-std=c++17 -O1 -Wall -Wextra -Werror -I"$root" -isystem "$out/include")
rm -f "$out"/obj/*.o "$out"/obj/*.log
# One compiler per file, JOBS at a time.
printf '%s\n' "${sources[@]}" | xargs -P "${JOBS:-2}" -I{} sh -c '
  src=$1; out=$2; shift 2
  obj="$out/obj/$(echo "${src%.cpp}" | tr / _).o"
  "$@" -c "$src" -o "$obj" 2>"$obj.log" || rm -f "$obj"' sh {} "$out" "$cxx" "${flags[@]}"
failed=0
for src in "${sources[@]}"; do
  obj="$out/obj/$(echo "${src%.cpp}" | tr '/' '_').o"
  if [ -f "$obj" ]; then
    echo "  compiled $src"
  else
    echo "  FAILED   $src" >&2
    cat "$obj.log" >&2
    failed=1
  fi
done
[ "$failed" = 0 ] || { echo "The Windows build failed." >&2; exit 1; }

exe="$out/quorvel-windows-check.exe"
"$cxx" -static -o "$exe" "$out"/obj/*.o -lshell32
echo "Linked $exe"

if [ -n "$objdump" ]; then
  imports=$("$objdump" -p "$exe")
  for symbol in SHGetFolderPathW GetModuleFileNameW MoveFileExW; do
    grep -q "$symbol" <<<"$imports" || { echo "The program does not import $symbol." >&2; exit 1; }
  done
  echo "Imports SHGetFolderPathW, GetModuleFileNameW and MoveFileExW: the Windows paths were built."
fi
echo "Windows build check passed."
