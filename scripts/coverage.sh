#!/usr/bin/env bash
# Line coverage of the game (game/) by the program tests: a coverage build
# (KWO_COVERAGE) of what those tests need, the tests run once, then gcovr's
# per-file summary. Fails when the game's coverage is below the floor.
#   scripts/coverage.sh [BUILD_DIR]   (default build-coverage)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${1:-build-coverage}
floor=85

cmake -S . -B "$build" -DKWO_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug -DKWO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kwo_program_tests
find "$build" -name '*.gcda' -delete
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$build/tests/kwo_program_tests" --gtest_brief=1
gcovr --root . --object-directory "$build" --filter 'game/' --txt --fail-under-line "$floor"
