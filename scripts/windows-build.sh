#!/usr/bin/env bash
# make windows: cross-compiles Quorvel for 64-bit Windows with mingw-w64 into
# build-windows/quorvel: quorvel.exe, the sample data generator and the core
# test suite, every one linked statically against a static FLTK built once
# from the vendored source (scripts/windows/build-fltk.sh). Fails when a
# source file of the program gives a warning, or when a program needs a DLL
# that is not part of Windows.
# BUILD_DIR chooses the folder (default build-windows); extra arguments go to
# the build (targets, for example).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${BUILD_DIR:-build-windows}
scripts/install-deps.sh mingw-w64 g++-mingw-w64-x86-64-posix
scripts/windows/build-fltk.sh "$out"
out=$(cd "$out" && pwd)

# rapidxml is header-only: the Debian headers serve the cross build. A folder
# holding only them keeps the host's other headers out.
rapidxml=$(dirname "$(find /usr/include /usr/local/include -path '*/rapidxml/rapidxml.hpp' 2>/dev/null | head -n 1)")
[ -d "$rapidxml" ] || { echo "The rapidxml headers are missing (librapidxml-dev)." >&2; exit 1; }
mkdir -p "$out/include"
ln -sfn "$rapidxml" "$out/include/rapidxml"

cmake -S . -B "$out/quorvel" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCHMARKS=OFF \
  -DFLTK_INCLUDE_DIR="$out/fltk/include" -DFLTK_BASE_LIBRARY="$out/fltk/lib/libfltk.a" \
  -DRAPIDXML_INCLUDE_DIR="$out/include" >"$out/configure.log" || { cat "$out/configure.log" >&2; exit 1; }
log=$out/build.log
# The program's own files are rebuilt so that their warnings are seen.
find "$out/quorvel" -path '*/CMakeFiles/quorvel*' -name '*.obj' -delete 2>/dev/null || true
if ! cmake --build "$out/quorvel" -j"${JOBS:-2}" "$@" >"$log" 2>&1; then
  grep -E 'error|Error' -A3 "$log" | head -n 60 >&2
  echo "The Windows build failed (log: $log)." >&2
  exit 1
fi
warnings=$(grep -E '^(/[^ ]*/)?(app|platform|store|ui|scripts|tests)/[^ ]*:[0-9]+:[0-9]+: warning' "$log" |
  grep -v googletest || true)
if [ -n "$warnings" ]; then
  echo "$warnings" >&2
  echo "The Windows build has warnings (log: $log)." >&2
  exit 1
fi

# No DLL beside the programs: only Windows' own libraries are imported.
system_dlls='^(kernel32|user32|gdi32|shell32|ole32|oleaut32|comctl32|comdlg32|advapi32|ws2_32|winspool\.drv|msvcrt|imm32|uuid|shlwapi|version|msimg32|api-ms-win-.*)\.dll$'
for exe in "$out"/quorvel/*.exe "$out"/quorvel/tests/*.exe; do
  [ -f "$exe" ] || continue
  foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
    grep -Ev "$system_dlls" || true)
  [ -z "$foreign" ] || { echo "$(basename "$exe") needs DLLs that Windows lacks: $foreign" >&2; exit 1; }
  echo "Built $exe"
done
