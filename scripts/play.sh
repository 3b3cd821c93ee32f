#!/usr/bin/env bash
# Installs the dependencies, builds the game and starts it in run/ (the
# working directory that holds its data archive, card sets and highscores).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

mkdir -p run
if [ -x scripts/make-data.sh ]; then
    scripts/make-data.sh build run
fi
cd run
exec ../build/bin/duomatch "$@"
