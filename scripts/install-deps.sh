#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are
# missing: apt-get as root, sudo otherwise. Does nothing when all are there.
# Waits up to QUORVEL_APT_LOCK_TIMEOUT seconds (default 600) for a package
# lock that another apt-get or dpkg holds.
# Extra package names may be given as arguments. Then axe-core for the
# report's browser test, from npm at the version of its lock file.
set -euo pipefail

packages=(g++ make cmake libfltk1.3-dev librapidxml-dev libgtest-dev libgmock-dev
  libbenchmark-dev libcli11-dev nlohmann-json3-dev xvfb xauth xdotool x11-apps imagemagick fonts-dejavu-core tzdata libxml2-utils
  chromium poppler-utils libzip-dev pkg-config "$@")
command -v npm >/dev/null || packages+=(nodejs npm)

# npm ci empties node_modules first: only when the lock file changed since.
install_axe() {
  local dir
  dir=$(cd "$(dirname "$0")/.." && pwd)/tests/e2e/axe
  [[ -f $dir/node_modules/.package-lock.json && ! $dir/package-lock.json -nt $dir/node_modules/.package-lock.json ]] ||
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
}

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == *"install ok installed"* ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && { install_axe; exit 0; }

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  run() { "$@"; }
else
  run() { sudo "$@"; }
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt-get or dpkg (an unattended upgrade, a second build) holding the
# package lock is waited for, a bounded time, instead of failing at once.
lock_wait=${QUORVEL_APT_LOCK_TIMEOUT:-600}
run apt-get -o DPkg::Lock::Timeout="$lock_wait" update -qq
run apt-get -o DPkg::Lock::Timeout="$lock_wait" install -y -qq --no-install-recommends "${missing[@]}"
install_axe
