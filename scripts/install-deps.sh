#!/usr/bin/env bash
# Installs what a set of work needs on Debian; only the packages that are
# missing are installed, so it is cheap to run again.
#   scripts/install-deps.sh [play|test|web]
# play: building the library, the tools and the game, and making its data
# (the data tool writes its pictures with giflib).
# test (the default): also the tests, benchmarks, fuzzing, packaging and the
# API reference, and the run on SDL 1.2's compatibility layer over SDL2
# (SDL2 itself, an X server and xdotool; the layer is unpacked by
# scripts/compat-test.sh).
# web: play's, with Emscripten for the web page, and Chromium and Node's
# WebSocket module for its test in a browser.
set -euo pipefail

set_name="${1:-test}"
play=(
    g++ make cmake pkg-config
    libsdl1.2-dev
    libgif-dev
)
case "$set_name" in
    play)
        packages=("${play[@]}")
        ;;
    test)
        packages=(
            "${play[@]}"
            libgtest-dev googletest libbenchmark-dev gcovr
            clang libclang-rt-dev
            dpkg-dev file
            doxygen
            libsdl2-2.0-0 xvfb xdotool
        )
        ;;
    web)
        packages=(
            "${play[@]}"
            emscripten
            chromium node-ws
        )
        ;;
    *)
        echo "Usage: $0 [play|test|web]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
