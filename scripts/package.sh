#!/usr/bin/env bash
# make package: builds the Debian package of Quorvel with CPack
# (build-package/quorvel_<version>_<arch>.deb) and checks it:
#  - the desktop entry passes desktop-file-validate and every manual page
#    renders without a warning (groff -ww);
#  - lintian reports no error and no warning on the package;
#  - the package holds the program, the launcher, the data files, the
#    desktop entry and the icon, and depends on the FLTK runtime library;
#  - installed (dpkg -i as root; otherwise extracted with dpkg-deb -x into a
#    temporary root), the launcher seeds a fresh data folder and starts the
#    program (scripts/check-installed.sh, on a virtual display; it looks at
#    the files the package lists, not at everything else in /usr);
#  - the same for `cmake --install` into a temporary prefix.
# A package that this script installed is removed again at the end, unless
# KEEP_INSTALLED=1. PACKAGE_INSTALL=extract skips dpkg -i even as root.
# PACKAGE_PREBUILT=1 packages the tree BUILD_DIR as it is built (the test
# suite's, whose test "package.deb" runs this script) instead of building
# a release tree first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build-package}
scripts/install-deps.sh desktop-file-utils dpkg-dev libxml2-utils lintian groff-base man-db

fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${PACKAGE_PREBUILT:-0}" = 1 ]; then
  [ -f "$build/CPackConfig.cmake" ] || fail "$build is no configured build tree"
  echo "== Packaging the program built in $build"
else
  echo "== Building the release program in $build"
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORVEL_TESTS=OFF -DQUORVEL_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" -j2
fi

echo "== Checking the desktop entry"
desktop-file-validate data/quorvel.desktop
out=$(desktop-file-validate data/quorvel.desktop 2>&1)
[ -z "$out" ] || fail "desktop-file-validate: $out"

echo "== Checking the manual pages"
for page in docs/man/*.1; do
  out=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 "$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "groff -ww $page: $out"
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "man -l $page: $out"
done

echo "== Building the package"
rm -f "$build"/quorvel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quorvel_*.deb)
[ -f "$deb" ] || fail "cpack made no package"
echo "$deb"
dpkg-deb -I "$deb" | sed -n '/Package:/,$p'

[ "$(dpkg-deb -f "$deb" Package)" = quorvel ] || fail "the package is not named quorvel"
[ "$(dpkg-deb -f "$deb" Maintainer)" = "Brelwick <support@brelwick.example>" ] || fail "wrong maintainer"
dpkg-deb -f "$deb" Depends | grep -q 'libfltk1\.3' || fail "the package does not depend on libfltk1.3"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/quorvel ./usr/bin/quorvel-launcher ./usr/share/quorvel/data/config.hma \
         ./usr/share/quorvel/data/template_new.xml ./usr/share/quorvel/data/readme.txt \
         ./usr/share/applications/quorvel.desktop ./usr/share/icons/hicolor/scalable/apps/quorvel.svg; do
  grep -q " $f\$" <<<"$contents" || fail "the package lacks $f"
done
for f in ./usr/share/doc/quorvel/copyright ./usr/share/doc/quorvel/changelog.gz \
         ./usr/share/man/man1/quorvel.1.gz ./usr/share/man/man1/quorvel-launcher.1.gz; do
  grep -q " $f\$" <<<"$contents" || fail "the package lacks $f"
done
# Every program in the package has its manual page.
for exe in $(awk '$6 ~ /^\.\/usr\/bin\// { sub("./usr/bin/", "", $6); print $6 }' <<<"$contents"); do
  grep -q " ./usr/share/man/man1/$exe.1.gz\$" <<<"$contents" || fail "no manual page for $exe"
done
echo "ok: package contents and control fields"

echo "== lintian"
# Tags of severity error or warning fail the package; lintian's own remark
# about running as root goes to standard error and is not a tag.
lint=$(lintian --fail-on none "$deb" 2>/dev/null || true)
[ -z "$lint" ] || echo "$lint"
if grep -qE '^[EW]: ' <<<"$lint"; then
  fail "lintian reports errors or warnings"
fi
echo "ok: lintian reports no error and no warning"

tmp=$(mktemp -d)
installed_here=""
log_before=""
cleanup() {
  if [ -n "$installed_here" ] && [ "${KEEP_INSTALLED:-0}" != 1 ]; then
    echo "== Removing the package installed for the check"
    dpkg -r quorvel >/dev/null || true
    # The trace log that the check's runs wrote beside /usr/bin/quorvel.
    [ -z "$log_before" ] && rm -f /usr/bin/quorvel_debuglog.txt
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

if [ "$(id -u)" -eq 0 ] && [ "${PACKAGE_INSTALL:-dpkg}" != extract ]; then
  echo "== Installing with dpkg -i"
  dpkg-query -W -f='${Status}' quorvel 2>/dev/null | grep -q "install ok installed" || installed_here=yes
  [ -e /usr/bin/quorvel_debuglog.txt ] && log_before=yes
  dpkg -i "$deb"
  # /usr holds every other package's files too: the check looks at the
  # package's own, as dpkg lists them.
  dpkg-query -L quorvel >"$tmp/files"
  "$root/scripts/check-installed.sh" /usr "$tmp/files"
else
  echo "== Extracting with dpkg-deb -x into $tmp/root"
  dpkg-deb -x "$deb" "$tmp/root"
  dpkg-deb --fsys-tarfile "$deb" | tar -t | sed "s|^\./|$tmp/root/|" >"$tmp/files"
  "$root/scripts/check-installed.sh" "$tmp/root/usr" "$tmp/files"
fi

echo "== Installing with cmake --install into $tmp/prefix"
# The manifest lists what this install put there; one left by an earlier
# install must not stand in for it.
rm -f "$build/install_manifest.txt"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
[ -s "$build/install_manifest.txt" ] || fail "cmake --install wrote no install_manifest.txt"
"$root/scripts/check-installed.sh" "$tmp/prefix" "$build/install_manifest.txt"
echo "Package checked: $deb"
