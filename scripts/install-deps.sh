#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are
# missing: apt-get as root, sudo otherwise; then the test suite's tools from
# npm (the FHIR validator and axe-core), unless they are there already.
# Waits up to QUORVEL_APT_LOCK_TIMEOUT seconds (default 600) for a package
# lock that another apt-get or dpkg holds.
# The suite's test package.deb builds and checks the Debian package
# (desktop-file-utils, dpkg-dev, lintian, groff-base, man-db).
# Extra package names may be given as arguments.
set -euo pipefail

packages=(g++ make cmake libfltk1.3-dev librapidxml-dev libgtest-dev libgmock-dev
  libbenchmark-dev libcli11-dev nlohmann-json3-dev xvfb xauth xdotool x11-apps x11-utils imagemagick fonts-dejavu-core tzdata libxml2-utils
  chromium poppler-utils libexpat1-dev libzip-dev pkg-config nodejs syncthing curl
  desktop-file-utils dpkg-dev lintian groff-base man-db "$@")
# npm comes with some builds of nodejs; Debian's nodejs needs its npm package.
command -v npm >/dev/null 2>&1 || packages+=(npm)

# The test-only tools from npm, each at the versions its lock file pins: the
# FHIR validator (tests/tools) and axe-core for the report's browser test
# (tests/e2e/axe). npm ci empties node_modules first: only when the lock file
# changed since the last install.
install_npm_tools() {
  local root dir
  root=$(cd "$(dirname "$0")/.." && pwd)
  for dir in "$root/tests/tools" "$root/tests/e2e/axe"; do
    [[ -f $dir/node_modules/.package-lock.json && ! $dir/package-lock.json -nt $dir/node_modules/.package-lock.json ]] &&
      continue
    echo "Installing the test tools of ${dir#"$root"/} (npm ci)"
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
  done
}

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == *"install ok installed"* ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && { install_npm_tools; exit 0; }

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
install_npm_tools
