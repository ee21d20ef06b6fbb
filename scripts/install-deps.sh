#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are
# missing: apt-get as root, sudo otherwise. Does nothing when all are there.
# Extra package names may be given as arguments.
set -euo pipefail

packages=(g++ make cmake libfltk1.3-dev librapidxml-dev libgtest-dev libgmock-dev
  libbenchmark-dev libcli11-dev nlohmann-json3-dev xvfb xauth xdotool x11-apps imagemagick fonts-dejavu-core tzdata libxml2-utils
  chromium poppler-utils libzip-dev pkg-config "$@")

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == *"install ok installed"* ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  run() { "$@"; }
else
  run() { sudo "$@"; }
fi
export DEBIAN_FRONTEND=noninteractive
run apt-get update -qq
run apt-get install -y -qq --no-install-recommends "${missing[@]}"
