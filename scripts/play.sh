#!/usr/bin/env bash
# Installs what playing needs, builds the library, the tools and the game
# (no tests, no benchmarks) with the game's data, and starts the game in
# run/ (the working folder that holds its data and its highscores).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKWO_BUILD_TESTS=OFF -DKWO_BUILD_BENCH=OFF -DKWO_BUILD_GAME=ON -DKWO_BUILD_TOOLS=ON >/dev/null
cmake --build build -j"$(nproc)"

# The build made the data in build/data; run/ keeps the highscores.
mkdir -p run
cp -f build/data/* run/
cd run
exec ../build/bin/duomatch "$@"
