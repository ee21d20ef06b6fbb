#!/usr/bin/env bash
# Usage: build-fltk.sh BUILD_FOLDER
# Cross-compiles a static FLTK for Windows from the source archive kept in
# third_party/fltk/ with mingw-w64 into BUILD_FOLDER/fltk (headers and
# libfltk.a). The archive's SHA-256 is checked against the one recorded
# beside it before it is used. Done once: a later call finds the library and
# returns at once, unless the archive changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
archive=$root/third_party/fltk/fltk-1.3.8.tar.gz
[ -f "$archive" ] || { echo "The toolkit source archive is missing: $archive" >&2; exit 1; }
expected=$(cut -d' ' -f1 "$archive.sha256")
sum=$(sha256sum "$archive" | cut -d' ' -f1)
[ "$sum" = "$expected" ] ||
  { echo "The toolkit source archive $archive has the SHA-256 $sum, not $expected: it is not used." >&2; exit 1; }
mkdir -p "$1"
out=$(cd "$1" && pwd)
prefix=$out/fltk
stamp=$prefix/archive.sha256
if [ -f "$prefix/lib/libfltk.a" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$sum" ]; then
  exit 0
fi
echo "Building the toolkit for Windows from $(basename "$archive") (once; a few minutes)"
rm -rf "$out/fltk-src" "$out/fltk-build" "$prefix"
mkdir -p "$out/fltk-src"
tar xzf "$archive" -C "$out/fltk-src" --strip-components=1
cmake -S "$out/fltk-src" -B "$out/fltk-build" -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DOPTION_USE_GL=OFF -DOPTION_BUILD_SHARED_LIBS=OFF \
  -DOPTION_USE_SYSTEM_ZLIB=OFF -DOPTION_USE_SYSTEM_LIBJPEG=OFF -DOPTION_USE_SYSTEM_LIBPNG=OFF \
  -DFLTK_BUILD_TEST=OFF -DFLTK_BUILD_EXAMPLES=OFF -DOPTION_BUILD_HTML_DOCUMENTATION=OFF \
  -DOPTION_BUILD_PDF_DOCUMENTATION=OFF >"$out/fltk-configure.log" ||
  { cat "$out/fltk-configure.log" >&2; exit 1; }
cmake --build "$out/fltk-build" -j"${JOBS:-2}" --target fltk >"$out/fltk-build.log" 2>&1 ||
  { tail -n 40 "$out/fltk-build.log" >&2; exit 1; }
mkdir -p "$prefix/lib" "$prefix/include"
cp "$out/fltk-build/lib/libfltk.a" "$prefix/lib/"
cp -r "$out/fltk-src/FL" "$prefix/include/"
cp "$out/fltk-build/FL/abi-version.h" "$prefix/include/FL/" 2>/dev/null || true
echo "$sum" >"$stamp"
rm -rf "$out/fltk-src" "$out/fltk-build"
echo "Toolkit built: $prefix/lib/libfltk.a"
