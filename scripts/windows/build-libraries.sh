#!/usr/bin/env bash
# Usage: build-libraries.sh BUILD_FOLDER
# Cross-compiles static zlib, expat and libzip for Windows with mingw-w64
# from their source archives kept in third_party/ into BUILD_FOLDER/libs
# (headers, static libraries, libzip.pc), with the test programs of each in
# BUILD_FOLDER/libs/tests (run under Wine by scripts/windows/test-libraries.sh).
# The backup of the data folder and the phone's health export need them.
# Every archive's SHA-256 is checked against the one recorded beside it
# before it is used; expat gets Debian 12's security patches from the
# debian.tar.xz kept beside it. Done once: a later call finds each library
# built from the same archive and builds only what changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
archives=("$root/third_party/zlib/zlib_1.2.13.dfsg.orig.tar.bz2"
  "$root/third_party/expat/expat_2.5.0.orig.tar.gz" "$root/third_party/expat/expat_2.5.0-1+deb12u2.debian.tar.xz"
  "$root/third_party/libzip/libzip_1.7.3.orig.tar.xz")
sums=()
for archive in "${archives[@]}"; do
  [ -f "$archive" ] || { echo "A library's source archive is missing: $archive" >&2; exit 1; }
  expected=$(cut -d' ' -f1 "$archive.sha256")
  sum=$(sha256sum "$archive" | cut -d' ' -f1)
  [ "$sum" = "$expected" ] ||
    { echo "The source archive $archive has the SHA-256 $sum, not $expected: it is not used." >&2; exit 1; }
  sums+=("$sum")
done
mkdir -p "$1"
out=$(cd "$1" && pwd)
prefix=$out/libs
# Each library is built once: its stamp holds the SHA-256 of the archives it
# was built from (libzip's also zlib's, which it links).
declare -A stamps=([zlib]="${sums[0]}" [expat]="${sums[1]} ${sums[2]}" [libzip]="${sums[3]} ${sums[0]}")
built() { [ "$(cat "$prefix/$1.sha256" 2>/dev/null)" = "${stamps[$1]}" ]; }
done_with() { echo "${stamps[$1]}" >"$prefix/$1.sha256"; }
built zlib && built expat && built libzip && exit 0
echo "Building zlib, expat and libzip for Windows from third_party/ (once; a few minutes)"
src=$out/libs-src
rm -rf "$src"
mkdir -p "$src" "$prefix/lib" "$prefix/include" "$prefix/tests"
log=$out/libs-build.log
: >"$log"
cc=x86_64-w64-mingw32-gcc-posix
ar=x86_64-w64-mingw32-ar
jobs=${JOBS:-2}
step() { "$@" >>"$log" 2>&1 || { tail -n 40 "$log" >&2; echo "Building the libraries failed (log: $log)." >&2; exit 1; }; }

# zlib: its few sources compiled as they are, with its own test programs.
built zlib || {
mkdir -p "$src/zlib"
tar xjf "${archives[0]}" -C "$src/zlib" --strip-components=1
(
  cd "$src/zlib"
  objects=()
  for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees \
    uncompr zutil; do
    step "$cc" -O2 -c "$c.c" -o "$c.o"
    objects+=("$c.o")
  done
  step "$ar" rcs libz.a "${objects[@]}"
  step "$cc" -O2 -static -I. test/example.c libz.a -o "$prefix/tests/zlib-example.exe"
  step "$cc" -O2 -static -I. test/minigzip.c libz.a -o "$prefix/tests/zlib-minigzip.exe"
  cp libz.a "$prefix/lib/"
  cp zlib.h zconf.h "$prefix/include/"
)
done_with zlib
}

# expat, with Debian's patches in the order of their series.
built expat || {
mkdir -p "$src/expat" "$src/expat-debian"
tar xzf "${archives[1]}" -C "$src/expat" --strip-components=1
tar xJf "${archives[2]}" -C "$src/expat-debian"
while read -r patch; do
  [ -n "$patch" ] && [ "${patch:0:1}" != "#" ] || continue
  step patch -d "$src/expat" -p1 -i "$src/expat-debian/debian/patches/$patch"
done <"$src/expat-debian/debian/patches/series"
# The patches test "XML_DTD == 1", as the autotools build defines it; the
# CMake build defines it empty.
sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$src/expat/expat/expat_config.h.cmake"
grep -q '^#cmakedefine XML_DTD 1$' "$src/expat/expat/expat_config.h.cmake"
step cmake -S "$src/expat/expat" -B "$src/expat-build" -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_EXE_LINKER_FLAGS=-static \
  -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TESTS=ON -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
  -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF -DEXPAT_BUILD_FUZZERS=OFF
step cmake --build "$src/expat-build" -j"$jobs"
step cmake --install "$src/expat-build"
cp "$src/expat-build"/tests/runtests*.exe "$prefix/tests/"
done_with expat
}

# libzip: deflate through the zlib above; no encryption (it would need
# another library), no bzip2 or xz. Of its tools, only the regression
# tests' are built.
built libzip || {
mkdir -p "$src/libzip"
tar xJf "${archives[3]}" -C "$src/libzip" --strip-components=1
step cmake -S "$src/libzip" -B "$src/libzip-build" -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_EXE_LINKER_FLAGS=-static -DBUILD_SHARED_LIBS=OFF \
  -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" \
  -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
  -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
  -DBUILD_TOOLS=ON -DBUILD_REGRESS=ON -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
step cmake --build "$src/libzip-build" -j"$jobs" --target zip ziptool_regress fread
cp "$src/libzip-build/lib/libzip.a" "$prefix/lib/"
cp "$src/libzip/lib/zip.h" "$src/libzip-build/zipconf.h" "$prefix/include/"
cp "$src/libzip-build"/regress/ziptool_regress.exe "$src/libzip-build"/regress/fread.exe "$prefix/tests/"
mkdir -p "$prefix/tests/libzip" "$prefix/lib/pkgconfig"
cp "$src/libzip/regress/broken.zip" "$prefix/tests/libzip/"
# A static libzip needs zlib after it on every link line.
cat >"$prefix/lib/pkgconfig/libzip.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: libzip
Description: library for handling zip archives (static, for Windows)
Version: 1.7.3
Libs: -L\${libdir} -lzip -lz
Cflags: -I\${includedir} -DZIP_STATIC
PC
done_with libzip
}

rm -rf "$src"
echo "Libraries built: $prefix/lib (libz.a, libexpat.a, libzip.a)"
