#!/usr/bin/env bash
# Installs what building, testing and fuzzing need on Debian; only the
# packages that are missing are installed, so it is cheap to run again.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    libsdl1.2-dev
    libgtest-dev googletest libbenchmark-dev gcovr
    clang libclang-rt-dev
    libgif-dev
)

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
