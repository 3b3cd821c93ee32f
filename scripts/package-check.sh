#!/usr/bin/env bash
# Checks the library and the game as others get them, from a build folder
# that is already built (build/ by default):
#  - cmake --install into a scratch prefix: the files, every public header
#    compiling on its own against the prefix, and no internal header;
#  - a small consumer (tests/consumer) built and run three ways: find_package
#    from the prefix, pkg-config, and add_subdirectory of the source tree;
#  - the examples (examples/) built as a project of their own against the
#    prefix, and one of them run with the installed data;
#  - the installed game through its launcher: one folder per player, links
#    to the data, highscores kept across an upgrade, a headless start;
#  - cpack -G DEB: the packages' files and dependencies, and the game run
#    from the unpacked library and game packages.
# Any failure ends the script with a non-zero status.
#   scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=$(cd "${1:-build}" && pwd)
jobs=$(nproc)

work=$(mktemp -d)
game_pid=""
cleanup() {
    if [ -n "$game_pid" ]; then
        kill -KILL "$game_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "package-check: FAILED: $*" >&2
    exit 1
}
step() { echo "package-check: $*"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
soversion=${version%.*}
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# ---- install into a scratch prefix ------------------------------------------------
step "install $version into a scratch prefix"
cmake --build "$build" -j"$jobs" >/dev/null
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in lib/libKWOMedia.so.$version bin/duomatch bin/kwoarch bin/mkdata lib/duomatch/duomatch \
    share/duomatch/duomatch.dat lib/cmake/KWOMedia/KWOMediaConfig.cmake \
    lib/cmake/KWOMedia/KWOMediaConfigVersion.cmake lib/cmake/KWOMedia/KWOMediaTargets.cmake \
    lib/pkgconfig/kwomedia.pc include/KWOMedia/KWOMedia.h include/KWOMedia/graphics/KWOImage.h \
    share/doc/libkwomedia0/copyright; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
[ "$(readlink "$prefix/lib/libKWOMedia.so.$soversion")" = "libKWOMedia.so.$version" ] ||
    fail "lib/libKWOMedia.so.$soversion is not a link to libKWOMedia.so.$version"
[ "$(readlink "$prefix/lib/libKWOMedia.so")" = "libKWOMedia.so.$soversion" ] ||
    fail "lib/libKWOMedia.so is not a link to libKWOMedia.so.$soversion"
ls "$prefix"/share/duomatch/*.set >/dev/null 2>&1 || fail "no card set in share/duomatch"

step "every installed header compiles alone against the prefix"
internal=$(find "$prefix/include" -name '*.h' ! -name 'KWO*.h')
[ -z "$internal" ] || fail "internal headers installed: $internal"
sdl_cflags=$(pkg-config --cflags sdl)
headers=$(cd "$prefix/include" && find KWOMedia -name '*.h' | sort)
for h in $headers; do
    echo "#include <$h>" >"$work/header.cpp"
    # shellcheck disable=SC2086
    c++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I"$prefix/include" $sdl_cflags \
        "$work/header.cpp" || fail "$h does not compile on its own"
done
step "  $(echo "$headers" | wc -l) headers"

# ---- the consumer, three ways -------------------------------------------------------
check_consumer() { # how program [environment...]
    local how=$1 program=$2 out
    shift 2
    out=$(env "$@" "$program") || fail "consumer ($how) failed"
    [ "$out" = "4x2" ] || fail "consumer ($how) printed '$out', not '4x2'"
    step "  consumer ($how): $out"
}

step "consumer through find_package"
cmake -S tests/consumer -B "$work/find_package" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/find_package" -j"$jobs" >/dev/null
check_consumer find_package "$work/find_package/consumer"

step "consumer through pkg-config"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
[ "$(pkg-config --modversion kwomedia)" = "$version" ] || fail "kwomedia.pc has another version"
# shellcheck disable=SC2046
c++ -std=c++17 -Wall -Wextra -Werror tests/consumer/main.cpp -o "$work/pkg-config-consumer" \
    $(pkg-config --cflags --libs kwomedia)
unset PKG_CONFIG_PATH
check_consumer pkg-config "$work/pkg-config-consumer" LD_LIBRARY_PATH="$prefix/lib"

step "consumer with the source tree as a subdirectory"
cmake -S tests/consumer -B "$work/subdirectory" -DKWO_CONSUMER_SOURCE="$src" >/dev/null
for option in KWO_BUILD_TESTS KWO_BUILD_BENCH KWO_BUILD_GAME KWO_BUILD_TOOLS KWO_BUILD_EXAMPLES; do
    grep -q "^$option:BOOL=OFF" "$work/subdirectory/CMakeCache.txt" ||
        fail "$option is not off in a subproject"
done
cmake --build "$work/subdirectory" -j"$jobs" >/dev/null
check_consumer add_subdirectory "$work/subdirectory/consumer"

# ---- the examples against the installed library -------------------------------------
step "the examples as a project of their own, through find_package"
# They show the library's interface: SDL lies underneath, but an example
# names none of its headers, functions, constants or types.
sdl_names=$(grep -nE '#include <SDL|\b(SDL|SDLK|AUDIO|KMOD)_[A-Za-z0-9_]+|\b(SDLKey|SDLMod|[SU]int(8|16|32))\b' \
    examples/*/main.cpp || true)
[ -z "$sdl_names" ] || fail "an example names SDL itself: $sdl_names"
cmake -S examples -B "$work/examples" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/examples" -j"$jobs" >/dev/null
examples=0
for main in examples/*/main.cpp; do
    example=$(basename "$(dirname "$main")")
    [ -x "$work/examples/bin/$example" ] || fail "the example $example was not built"
    examples=$((examples + 1))
done
mkdir "$work/hello"
(cd "$work/hello" && "$work/examples/bin/hello" "$prefix/share/duomatch/duomatch.dat" \
    --script "shot key:space") || fail "hello did not run against the prefix"
[ -f "$work/hello/shot000.bmp" ] || fail "hello took no screenshot"
step "  $examples examples built, hello run"

# ---- the game through its launcher --------------------------------------------------
# Starts the launcher headless and checks that the game has loaded its data,
# found its card sets and still runs two seconds later, waiting for input;
# then kills it. (No quit by SIGTERM: SDL 1.2 pushes the quit event from its
# signal handler, which can deadlock on SDL's own event lock.)
start_game() { # launcher log [environment...]
    local launcher=$1 log=$2
    shift 2
    env "$@" "$launcher" -ns >"$log" 2>&1 &
    game_pid=$!
    for _ in $(seq 100); do
        grep -q "Loading resources" "$log" && break
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.2
    done
    sleep 2
    if ! kill -0 "$game_pid" 2>/dev/null || ! grep -q "Loading resources" "$log" ||
        grep -q "Error" "$log" || ! grep -q "sets found" "$log"; then
        cat "$log"
        fail "the game did not start from $launcher"
    fi
    kill -KILL "$game_pid"
    wait "$game_pid" 2>/dev/null || true
    game_pid=""
}

step "the installed game through its launcher"
alice=$work/home-alice
bob=$work/home-bob
mkdir -p "$alice/.local/share/duomatch" "$bob"
printf 'alice table' >"$alice/.local/share/duomatch/highscores"
start_game "$prefix/bin/duomatch" "$work/alice.log" HOME="$alice" XDG_DATA_HOME=
adir=$alice/.local/share/duomatch
for f in "$prefix"/share/duomatch/*; do
    [ "$(readlink "$adir/${f##*/}")" = "$f" ] || fail "no link to $f in $adir"
done
[ "$(cat "$adir/highscores")" = "alice table" ] || fail "alice's highscores changed"
# Another player gets a folder of their own, here through XDG_DATA_HOME.
env HOME="$bob" XDG_DATA_HOME="$bob/xdg" "$prefix/bin/duomatch" '-?' >/dev/null
[ -L "$bob/xdg/duomatch/duomatch.dat" ] || fail "no data link in bob's folder"
[ ! -e "$bob/xdg/duomatch/highscores" ] || fail "bob's folder has a highscores file"
# An upgrade in place that drops a card set, then one into another prefix:
# the links follow, the highscores stay.
sets=("$prefix"/share/duomatch/*.set)
removed=${sets[0]}
rm "$removed"
env HOME="$alice" XDG_DATA_HOME= "$prefix/bin/duomatch" '-?' >/dev/null
[ ! -L "$adir/${removed##*/}" ] || fail "the link to a removed card set stayed"
prefix2=$work/prefix2
cmake --install "$build" --prefix "$prefix2" >/dev/null
env HOME="$alice" XDG_DATA_HOME= "$prefix2/bin/duomatch" '-?' >/dev/null
[ "$(readlink "$adir/duomatch.dat")" = "$prefix2/share/duomatch/duomatch.dat" ] ||
    fail "the data link did not follow the new installation"
[ "$(cat "$adir/highscores")" = "alice table" ] || fail "alice's highscores changed on upgrade"

# ---- Debian packages ----------------------------------------------------------------
step "cpack -G DEB"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack -G DEB"
}
packages=(libkwomedia0 libkwomedia-dev duomatch kwomedia-tools)
declare -A debs contents
for package in "${packages[@]}"; do
    files=("$build/packages/${package}_${version}_"*.deb)
    [ -f "${files[0]}" ] || fail "no package $package"
    debs[$package]=${files[0]}
    contents[$package]=$(dpkg-deb -c "${files[0]}" | awk '{print $6}')
done
files=("$build"/packages/*.deb)
[ ${#files[@]} -eq ${#packages[@]} ] || fail "${#files[@]} packages instead of ${#packages[@]}"

has() { # package path-pattern (grep -x)
    grep -qx "$2" <<<"${contents[$1]}"
}
expect_files() { # package path...
    local package=$1
    shift
    for path in "$@" "./usr/share/doc/$package/copyright"; do
        has "$package" "$path" || fail "$package lacks $path"
    done
}
expect_depends() { # package dependency...
    local package=$1 depends
    shift
    depends=$(dpkg-deb -f "${debs[$package]}" Depends)
    for d in "$@"; do
        grep -qF "$d" <<<"$depends" || fail "$package does not depend on $d (Depends: $depends)"
    done
    [ -n "$(dpkg-deb -f "${debs[$package]}" Description)" ] || fail "$package has no description"
    step "  $package: Depends: $depends"
}

expect_files libkwomedia0 "./usr/lib/libKWOMedia.so.$version" "./usr/lib/libKWOMedia.so.$soversion"
expect_files libkwomedia-dev ./usr/lib/libKWOMedia.so ./usr/include/KWOMedia/KWOMedia.h \
    ./usr/include/KWOMedia/graphics/KWOImage.h ./usr/lib/cmake/KWOMedia/KWOMediaConfig.cmake \
    ./usr/lib/cmake/KWOMedia/KWOMediaConfigVersion.cmake \
    ./usr/lib/cmake/KWOMedia/KWOMediaTargets.cmake ./usr/lib/pkgconfig/kwomedia.pc
expect_files duomatch ./usr/bin/duomatch ./usr/lib/duomatch/duomatch \
    ./usr/share/duomatch/duomatch.dat
expect_files kwomedia-tools ./usr/bin/kwoarch ./usr/bin/mkdata
if has libkwomedia0 '.*/include/.*' || has libkwomedia0 './usr/lib/libKWOMedia.so'; then
    fail "libkwomedia0 holds development files"
fi
if has libkwomedia-dev "./usr/lib/libKWOMedia.so.$version"; then
    fail "libkwomedia-dev holds the library"
fi
has duomatch './usr/share/duomatch/.*\.set' || fail "duomatch holds no card set"

expect_depends libkwomedia0 libc6 libstdc++6 libsdl1.2debian
expect_depends libkwomedia-dev "libkwomedia0 (= $version)" libsdl1.2-dev
# The game and the tools reach SDL through the library only; the data tool
# writes its pictures with giflib.
expect_depends duomatch "libkwomedia0 (= $version)"
expect_depends kwomedia-tools "libkwomedia0 (= $version)" libgif7

step "the game from the unpacked libkwomedia0 and duomatch packages"
root=$work/root
dpkg-deb -x "${debs[libkwomedia0]}" "$root"
dpkg-deb -x "${debs[duomatch]}" "$root"
start_game "$root/usr/bin/duomatch" "$work/deb.log" HOME="$work/home-carol" XDG_DATA_HOME=

step "all checks passed"
