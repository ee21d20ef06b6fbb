#!/usr/bin/env bash
# make windows: cross-compiles Quorvel for 64-bit Windows with mingw-w64 into
# build-windows/quorvel: quorvel.exe, quorvel-data.exe, the sample data
# generator and the core test suite, every one linked statically against a
# static FLTK built once from the toolkit's source in third_party/fltk/
# (scripts/windows/build-fltk.sh) and static zlib, expat and libzip built once
# from theirs in third_party/ (scripts/windows/build-libraries.sh), for the
# backup, the restore and the phone's health export.
# Fails when a source file gives a warning (-Wall -Wextra -Werror), when a
# program needs a DLL that is not part of Windows, or when a program lacks
# its application manifest.
# BUILD_DIR chooses the folder (default build-windows); extra arguments go to
# the build (--target quorvel, for example).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${BUILD_DIR:-build-windows}
scripts/install-deps.sh mingw-w64 g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev
scripts/windows/build-fltk.sh "$out"
scripts/windows/build-libraries.sh "$out"
out=$(cd "$out" && pwd)
libs=$out/libs
# libzip is found through its pkg-config file, the cross-built one alone, and
# by its header and library, which name zlib after it (a static libzip
# needs it on every link line after itself).
export PKG_CONFIG_LIBDIR=$libs/lib/pkgconfig PKG_CONFIG_PATH=

# rapidxml, CLI11 and nlohmann-json are header-only: the Debian headers serve
# the cross build. A folder holding only them keeps the host's other headers
# out.
mkdir -p "$out/include" "$out/cmake"
for header in rapidxml/rapidxml.hpp CLI/CLI.hpp nlohmann/json.hpp; do
  found=$(find /usr/include /usr/local/include -path "*/$header" 2>/dev/null | head -n 1)
  [ -n "$found" ] || { echo "The header $header is missing (scripts/install-deps.sh installs it)." >&2; exit 1; }
  ln -sfn "$(dirname "$found")" "$out/include/$(dirname "$header")"
done
cat >"$out/cmake/nlohmann_jsonConfig.cmake" <<CONFIG
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "$out/include")
CONFIG
cat >"$out/cmake/nlohmann_jsonConfigVersion.cmake" <<CONFIG
set(PACKAGE_VERSION 3)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
set(PACKAGE_VERSION_EXACT TRUE)
CONFIG

cmake -S . -B "$out/quorvel" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BENCHMARKS=OFF -DQUORVEL_WERROR=ON \
  -DFLTK_INCLUDE_DIR="$out/fltk/include" -DFLTK_BASE_LIBRARY="$out/fltk/lib/libfltk.a" \
  -DRAPIDXML_INCLUDE_DIR="$out/include" -DCLI11_INCLUDE_DIR="$out/include" -Dnlohmann_json_DIR="$out/cmake" \
  -DCMAKE_FIND_ROOT_PATH="$libs" -DCMAKE_CXX_FLAGS="-DZIP_STATIC -DXML_STATIC" \
  -DEXPAT_INCLUDE_DIR="$libs/include" -DEXPAT_LIBRARY="$libs/lib/libexpat.a" \
  -DLIBZIP_INCLUDE_DIR="$libs/include" -DLIBZIP_LIBRARY="$libs/lib/libzip.a;$libs/lib/libz.a" \
  >"$out/configure.log" || { cat "$out/configure.log" >&2; exit 1; }
log=$out/build.log
# Warnings are errors here (QUORVEL_WERROR): a file with a warning is never
# left built.
if ! cmake --build "$out/quorvel" -j"${JOBS:-2}" "$@" >"$log" 2>&1; then
  grep -E 'error|Error' -A3 "$log" | head -n 60 >&2
  echo "The Windows build failed (log: $log)." >&2
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
# The two programs carry the application manifest (app/windows/quorvel.manifest)
# and the version resource that Properties, Details shows
# (app/windows/VersionInfo.rc).
version=$(sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for exe in "$out"/quorvel/quorvel.exe "$out"/quorvel/quorvel-data.exe; do
  [ -f "$exe" ] || continue
  grep -aq '<longPathAware' "$exe" || { echo "$(basename "$exe") has no application manifest" >&2; exit 1; }
  texts=$(strings -el "$exe")
  for field in FileVersion ProductVersion ProductName CompanyName OriginalFilename; do
    grep -qx "$field" <<<"$texts" || { echo "$(basename "$exe") has no $field in its version resource" >&2; exit 1; }
  done
  grep -qx "$version" <<<"$texts" && grep -qx "$(basename "$exe")" <<<"$texts" ||
    { echo "$(basename "$exe")'s version resource does not say $version and its name" >&2; exit 1; }
done
