#!/usr/bin/env bash
# Makes the game's data in RUN_DIR: the archive duomatch.dat with the
# pictures, the font and the sounds, and the card sets beside it.
#   scripts/make-data.sh BUILD_DIR RUN_DIR
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "Usage: $0 BUILD_DIR RUN_DIR" >&2
    exit 2
fi
build=$1
run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bin/mkdata" "$work"
mkdir -p "$run"
rm -f "$run/duomatch.dat"
members="kwo2.gif title.gif menu.gif score.font duomatch-ico.gif clic.wav ding.wav applause.wav laugh.wav"
"$build/bin/kwoarch" create "$run/duomatch.dat" \
    $(for m in $members; do echo "$work/$m"; done)
cp "$work"/*.set "$run"/
