#!/usr/bin/env bash
# Installs the dependencies, builds the library, the game, the tools and the
# tests, and runs every test. With KWO_SANITIZE=1 the build uses
# AddressSanitizer and UndefinedBehaviorSanitizer (in build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

if [ "${KWO_SANITIZE:-0}" = "1" ]; then
    build=build-asan
    options=(-DKWO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DKWO_BENCH=OFF)
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
else
    build=build
    options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

cmake -S . -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
