#!/usr/bin/env bash
# Runs a command under a fresh virtual X display (1280x1024, 24 bits, or the
# size QUORVEL_SCREEN names, such as 640x400). The
# search for a free display starts at a random number, so that several of
# these can start at the same time. The server is never reset between
# clients, so a test program starting just as another ends finds it ready.
set -euo pipefail
exec xvfb-run -a -n $((100 + RANDOM % 20000)) -s "-screen 0 ${QUORVEL_SCREEN:-1280x1024}x24 -nolisten tcp -noreset" "$@"
