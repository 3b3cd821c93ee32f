#!/usr/bin/env bash
# Installs the dependencies, builds the library, the game, the tools and the
# tests, and runs every test. With KWO_SANITIZE=1 the build uses
# AddressSanitizer and UndefinedBehaviorSanitizer (in build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

if [ "${KWO_SANITIZE:-0}" = "1" ]; then
    build=build-asan
    options=(-DKWO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DKWO_BUILD_TESTS=ON -DKWO_BUILD_BENCH=OFF)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
else
    build=build
    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWO_BUILD_TESTS=ON -DKWO_BUILD_BENCH=ON)
fi

# Every part is asked for by name: play.sh builds in build/ without the tests.
options+=(-DKWO_BUILD_GAME=ON -DKWO_BUILD_TOOLS=ON)
cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300 --no-tests=error
