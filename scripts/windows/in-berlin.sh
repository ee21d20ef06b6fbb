#!/usr/bin/env bash
# Usage: in-berlin.sh COMMAND [ARGUMENTS...]
# Runs COMMAND where the machine's time zone is Europe/Berlin, with no TZ
# variable: the Windows way for the programs under Wine. Wine gives Windows
# programs the machine's zone (it writes the registry's
# TimeZoneInformation from it and ignores any value put there), while the
# Windows C runtime misreads a TZ of the Linux form ("Europe/Berlin" is
# taken for UTC). So COMMAND runs in a mount namespace of its own that sees
# /etc through an overlay whose localtime is Europe/Berlin; the machine's
# /etc stays as it is. Needs root (unshare, mount).
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: in-berlin.sh COMMAND [ARGUMENTS...]" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "in-berlin.sh needs root for its own view of /etc (unshare, mount)." >&2; exit 1; }
view=$(mktemp -d)
mkdir -p "$view/upper" "$view/work"
status=0
unshare --mount --propagation private env -u TZ QUORVEL_BERLIN_VIEW=1 bash -c '
  set -e
  mount -t overlay quorvel-berlin -o "lowerdir=/etc,upperdir=$1/upper,workdir=$1/work" /etc
  ln -sfn /usr/share/zoneinfo/Europe/Berlin /etc/localtime
  echo Europe/Berlin >/etc/timezone
  shift
  exec "$@"' in-berlin "$view" "$@" || status=$?
rm -rf "$view"
exit "$status"
