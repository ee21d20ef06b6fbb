#!/usr/bin/env bash
# Makes data/quorvel.ico (256, 48, 32 and 16 pixels) from data/quorvel.svg:
# the browser draws the picture, ImageMagick packs the sizes. Run by hand
# when the picture changes; the icon file is kept with the sources.
set -euo pipefail
cd "$(dirname "$0")/../.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '<html><body style="margin:0"><img src="file://%s/data/quorvel.svg" style="width:256px;height:256px;display:block"></body></html>\n' \
  "$PWD" >"$tmp/icon.html"
timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --default-background-color=00000000 \
  --window-size=256,256 --screenshot="$tmp/icon.png" "file://$tmp/icon.html" >/dev/null 2>&1
convert "$tmp/icon.png" -define icon:auto-resize=256,48,32,16 data/quorvel.ico
identify data/quorvel.ico
