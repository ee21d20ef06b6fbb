#!/usr/bin/env bash
# Runs a command under a fresh virtual X display (1280x1024, 24 bits).
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
