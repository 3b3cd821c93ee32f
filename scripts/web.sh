#!/usr/bin/env bash
# Builds duomatch as a web page with Debian's Emscripten: the library
# (static) and the game, with the game's data preloaded. The page lands in
# build-web/site/ (duomatch.html, .js, .wasm, .data and the service worker
# sw.js), which any static web server can serve, for example
#   python3 -m http.server -d build-web/site 8000   (then open
#   http://localhost:8000/duomatch.html)
# The data is made by the native tools: from build/ when that folder builds
# the game, else in build-web/native/.
#   scripts/web.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh web

# Debian's emcc runs its JavaScript tools with the first node on the path;
# they need Debian's acorn, which only Debian's own node finds by itself.
# (The list is read whole before grep looks at it: grep stopping at its first
# match would leave dpkg writing into a closed pipe, and pipefail would fail
# the script on dpkg's SIGPIPE.)
files=$(dpkg -L node-acorn)
acorn=$(grep -m1 '/node_modules/acorn$\|/nodejs/acorn$' <<<"$files")
export NODE_PATH="${acorn%/acorn}${NODE_PATH:+:$NODE_PATH}"
# The web build's pkg-config must find Emscripten's SDL, not the host's.
emroot=$(dirname "$(readlink -f "$(command -v emcc)")")
[ -f "$emroot/emcc.py" ] || emroot=/usr/share/emscripten
empkg="$emroot/cache/sysroot/lib/pkgconfig"
[ -f "$empkg/sdl.pc" ] || {
    echo "web: no sdl.pc in $empkg" >&2
    exit 1
}

# The game's data, from the native tools.
if grep -q '^KWO_BUILD_GAME:BOOL=ON' build/CMakeCache.txt 2>/dev/null; then
    native=build
else
    native=build-web/native
    cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKWO_BUILD_GAME=ON \
        -DKWO_BUILD_TOOLS=ON -DKWO_BUILD_TESTS=OFF -DKWO_BUILD_BENCH=OFF \
        -DKWO_BUILD_EXAMPLES=OFF >/dev/null
fi
cmake --build "$native" -j"$(nproc)" --target duomatch_data
data=$(cd "$native/data" && pwd)

PKG_CONFIG_LIBDIR="$empkg" emcmake cmake -S . -B build-web/wasm -DCMAKE_BUILD_TYPE=Release -DKWO_WEB_DATA_DIR="$data" >/dev/null
cmake --build build-web/wasm -j"$(nproc)"
rm -rf build-web/site
cp -r build-web/wasm/site build-web/site
echo "web: the page is in build-web/site/duomatch.html"
ls -l build-web/site
