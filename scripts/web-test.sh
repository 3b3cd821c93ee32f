#!/usr/bin/env bash
# Builds the web page (scripts/web.sh) and plays it in headless Chromium
# (tests/web/browser_test.js): the menu, a board, two cards turned, a won
# game, its highscore kept over a reload, the page again with the server
# gone. Then it reports what a visitor downloads, as a server compressing
# with gzip sends it. Screenshots land in build-web/test/.
#   scripts/web-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/web.sh
site=build-web/site
out=build-web/test
rm -rf "$out"
mkdir -p "$out"

# Debian's WebSocket module for Node (node-ws), whichever node runs it.
# Read whole first, so that no writer meets a closed pipe (see web.sh).
files=$(dpkg -L node-ws)
ws=$(grep -m1 '/nodejs/ws/package.json$' <<<"$files")
export NODE_PATH="$(dirname "$(dirname "$ws")")${NODE_PATH:+:$NODE_PATH}"
node tests/web/browser_test.js "$site" "$out"

echo "web: what a visitor downloads (bytes; gzip -9 as a server would send it)"
total=0
total_gz=0
for f in duomatch.html duomatch.js duomatch.wasm duomatch.data sw.js; do
    size=$(stat -c %s "$site/$f")
    gz=$(gzip -9c "$site/$f" | wc -c)
    printf '  %-14s %9d %9d\n' "$f" "$size" "$gz"
    total=$((total + size))
    total_gz=$((total_gz + gz))
done
printf '  %-14s %9d %9d\n' total "$total" "$total_gz"
