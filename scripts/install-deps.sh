#!/usr/bin/env bash
# Installs what a set of work needs on Debian; only the packages that are
# missing are installed, so it is cheap to run again.
#   scripts/install-deps.sh [play|test]
# play: building the library, the tools and the game, and making its data
# (the data tool writes its pictures with giflib).
# test (the default): also the tests, benchmarks, fuzzing, packaging and the
# API reference.
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
        )
        ;;
    *)
        echo "Usage: $0 [play|test]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
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
