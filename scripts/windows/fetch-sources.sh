#!/usr/bin/env bash
# Usage: fetch-sources.sh FOLDER
# Fetches again, into FOLDER, the source archives of zlib, expat and libzip
# that third_party/ keeps for the Windows build, from Debian 12's source
# packages (apt-get source --download-only), and compares each with the
# SHA-256 recorded in third_party/. Not needed to build: the archives are in
# the repository. It serves to check them, or to move to another version
# (then record the new archive's SHA-256 beside it).
# apt needs the deb-src lines of Debian 12: when none is configured, this
# adds /etc/apt/sources.list.d/debian-src.sources (the deb-src form of the
# deb lines in debian.sources) and runs apt-get update; needs root for that.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# = 1 ] || { echo "usage: fetch-sources.sh FOLDER" >&2; exit 2; }
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  [ "$(id -u)" = 0 ] || { echo "No deb-src line in apt's sources; adding one needs root." >&2; exit 1; }
  echo "Adding Debian 12's source packages to apt: /etc/apt/sources.list.d/debian-src.sources"
  cat >/etc/apt/sources.list.d/debian-src.sources <<'SOURCES'
# Debian 12's source packages, for the third-party archives kept in
# third_party/ (scripts/windows/fetch-sources.sh).
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update -qq
fi
mkdir -p "$1"
cd "$1"
# The versions whose archives third_party/ keeps.
apt-get source --download-only zlib=1:1.2.13.dfsg-1 libzip=1.7.3-1 expat=2.5.0-1+deb12u2
status=0
for kept in "$root"/third_party/{zlib,libzip,expat}/*.sha256; do
  name=$(basename "$kept" .sha256)
  if [ -f "$name" ] && [ "$(sha256sum "$name" | cut -d' ' -f1)" = "$(cut -d' ' -f1 "$kept")" ]; then
    echo "ok: $name"
  else
    echo "differs or missing: $name" >&2
    status=1
  fi
done
exit "$status"
