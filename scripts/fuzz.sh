#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, starting
# from its seed corpus in fuzz/corpus/<name>/. Seconds per target: $1 (20).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"

scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKWO_FUZZ=ON -DKWO_BUILD_TESTS=OFF -DKWO_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

shopt -s nullglob
targets=(build-fuzz/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz: no targets"
    exit 0
fi
for target in "${targets[@]}"; do
    name="$(basename "$target")"
    name="${name#fuzz_}"
    work="$(mktemp -d)"
    if [ -d "fuzz/corpus/$name" ]; then
        cp -r "fuzz/corpus/$name/." "$work/"
    fi
    # The picture readers take memory in proportion to their input: a single
    # allocation above 128 MB is a failure there.
    limits=()
    case "$name" in
        image_*) limits=(-malloc_limit_mb=128) ;;
    esac
    echo "fuzz: $name for ${seconds}s"
    # A crash, leak or timeout makes libFuzzer exit non-zero, and this script
    # with it. The corpus is named by its absolute path: a target may change
    # its working directory.
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        "$PWD/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 ${limits[@]+"${limits[@]}"} \
        -print_final_stats=0 -artifact_prefix="$work.artifact-" "$work" >"$work.log" 2>&1 || {
        tail -n 60 "$work.log"
        ls "$work".artifact-* 2>/dev/null
        echo "fuzz: $name FAILED"
        exit 1
    }
    rm -rf "$work" "$work.log" "$work".artifact-*
done
echo "fuzz: all targets passed"
