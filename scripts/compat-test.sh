#!/usr/bin/env bash
# Runs the whole test suite of the normal build a second time on SDL 1.2's
# compatibility layer over SDL2 (Debian's libsdl1.2-compat), then plays
# duomatch on it in a virtual X server. The system's SDL 1.2 stays in place:
# the layer's package is downloaded into BUILD_DIR/sdl12-compat/ (and kept
# there, so that later runs need no network), unpacked beside it, and
# LD_LIBRARY_PATH points at it for the tests and the game only.
#  - every program the tests run must find the layer (ldd), and the dynamic
#    linker must really load it and SDL2 under it in a test run;
#  - ctest, as scripts/test.sh runs it, with the dummy video and audio
#    drivers;
#  - duomatch in Xvfb, driven with xdotool: its memory map must show the
#    layer and SDL2; mouse motion must not end the intro, a click does; the
#    menu and the set chooser go with Return, two cards are turned with
#    clicks, and the screen (Xvfb's frame buffer, an XWD file, kept as
#    BUILD_DIR/sdl12-compat/duomatch-board.xwd) is compared pixel by pixel
#    with the card set: the board tiles, 30 backs and the 2 turned faces.
#    The game is ended by its process id.
# BUILD_DIR (build/ by default) is the one scripts/test.sh builds and tests.
#   scripts/compat-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

fail() {
    echo "compat-test: FAILED: $*" >&2
    exit 1
}
say() { echo "compat-test: $*"; }

scripts/install-deps.sh test
[ -f "$build/CMakeCache.txt" ] || fail "no build in $build/: run scripts/test.sh first"
cmake --build "$build" -j"$(nproc)" >/dev/null
build=$(cd "$build" && pwd)

# ---- the layer -------------------------------------------------------------------
layer=$build/sdl12-compat
mkdir -p "$layer"
deb=$(find "$layer" -maxdepth 1 -name 'libsdl1.2-compat_*.deb' | sort | tail -n 1)
if [ -z "$deb" ]; then
    download=(apt-get download -q libsdl1.2-compat)
    # apt fetches as its own user unless told otherwise; that user may not
    # write into the build folder.
    [ "$(id -u)" -eq 0 ] && download=(apt-get -o APT::Sandbox::User=root download -q libsdl1.2-compat)
    if ! (cd "$layer" && "${download[@]}"); then
        # No package lists yet (a fresh machine): fetch them once.
        sudo=""
        [ "$(id -u)" -ne 0 ] && sudo=sudo
        $sudo apt-get update -qq
        (cd "$layer" && "${download[@]}")
    fi
    deb=$(find "$layer" -maxdepth 1 -name 'libsdl1.2-compat_*.deb' | sort | tail -n 1)
    [ -n "$deb" ] || fail "apt-get download libsdl1.2-compat gave no package"
fi
rm -rf "$layer/root"
dpkg -x "$deb" "$layer/root"
lib=$(find "$layer/root" -name 'libSDL-1.2.so.0' -printf '%h\n' -quit)
[ -n "$lib" ] || fail "no libSDL-1.2.so.0 in $deb"
say "$(basename "$deb"), library in ${lib#"$build"/}"

# ---- the test suite on it --------------------------------------------------------
# Every program the tests run (the test programs, the game, the tools, the
# examples) finds the layer's SDL first.
checked=0
while IFS= read -r program; do
    found=$(LD_LIBRARY_PATH=$lib ldd "$program" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')
    [ -z "$found" ] && continue
    [ "$found" = "$lib/libSDL-1.2.so.0" ] || fail "$program would load $found"
    checked=$((checked + 1))
done < <(find "$build/bin" "$build/tests" "$build/examples/bin" -maxdepth 1 -type f \
    -perm -u+x 2>/dev/null)
[ "$checked" -ge 3 ] || fail "only $checked programs link SDL 1.2"
# And the dynamic linker really loads it, and SDL2 under it once SDL starts.
loaded=$(LD_LIBRARY_PATH=$lib LD_DEBUG=libs SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    "$build/tests/kwo_tests" --gtest_filter='SDLMgrTest.TimerThenScreen*' 2>&1 |
    sed -n 's/.*calling init: //p')
grep -qxF "$lib/libSDL-1.2.so.0" <<<"$loaded" || fail "the test program did not load the layer"
grep -q '/libSDL2-2\.0\.so\.0$' <<<"$loaded" || fail "the layer did not load SDL2"
say "$checked programs find the layer; a test run loads it and $(grep '/libSDL2-2\.0\.so\.0$' <<<"$loaded")"

say "the test suite on the layer"
LD_LIBRARY_PATH=$lib SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300 --no-tests=error

# ---- the game on it, in a virtual X server ---------------------------------------
work=$(mktemp -d)
xvfb=""
game=""
cleanup() {
    if [ -n "$game" ]; then
        kill "$game" 2>/dev/null || true
        wait "$game" 2>/dev/null || true
    fi
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and keeps its frame buffer in an XWD file.
mkdir "$work/fb" "$work/run"
Xvfb -displayfd 3 -screen 0 800x600x24 -fbdir "$work/fb" -nolisten tcp \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY
frame=$work/fb/Xvfb_screen0
# Its layout: 32 bits a pixel, 0xRRGGBB in little-endian words.
header=$(od -An -v -tu4 --endian=big -N 100 "$frame" | tr -s ' \n' ' ')
read -r hsize _ format depth _ _ _ order _ _ _ bpp bpl _ rmask gmask bmask _ _ ncolours _ \
    <<<"$header"
if [ "$format $depth $order $bpp $rmask $gmask $bmask" != "2 24 0 32 16711680 65280 255" ]; then
    fail "unexpected frame buffer layout: $header"
fi
pixels=$((hsize + 12 * ncolours))

cp "$build/data/duomatch.dat" "$build/data/"*.set "$work/run/"
(cd "$work/run" && LD_LIBRARY_PATH=$lib SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
    exec "$build/bin/duomatch" >"$work/game.log" 2>&1) &
game=$!

running() {
    kill -0 "$game" 2>/dev/null || fail "duomatch ended: $(cat "$work/game.log")"
}
window=""
for _ in $(seq 100); do
    running
    window=$(xdotool search --name '^KWO Duomatch' 2>/dev/null | sed -n 1p || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no duomatch window"
eval "$(xdotool getwindowgeometry --shell "$window")"
if [ "$WIDTH" != 640 ] || [ "$HEIGHT" != 480 ]; then
    fail "the window is ${WIDTH}x$HEIGHT"
fi
wx=$X wy=$Y

# The layer, and SDL2 under it, are in the game's memory; the system's SDL
# 1.2 is not.
maps=$(cat "/proc/$game/maps")
grep -qF "$lib/libSDL-1.2.so" <<<"$maps" || fail "duomatch did not load the layer"
grep -q 'libSDL2-2\.0\.so' <<<"$maps" || fail "duomatch runs without SDL2"
others=$(grep 'libSDL-1\.2\.so' <<<"$maps" | grep -vF "$lib/" || true)
[ -z "$others" ] || fail "duomatch also loaded another SDL 1.2: $others"
say "duomatch (pid $game) runs on $(grep -m1 -o '[^ ]*libSDL2-2\.0\.so[^ ]*' <<<"$maps")"

# The colour of the window's pixel (x, y) on the screen now.
pixel() {
    od -An -tu4 -j $((pixels + (wy + $2) * bpl + (wx + $1) * 4)) -N 4 "$frame" |
        awk '{ print $1 % 16777216 }'
}
# The pointer is in the frame buffer too: it waits beside the window (ax,
# ay), and comes over it (mx, my) for a key: without a window manager the
# keyboard follows the pointer.
ax=$((wx + 700)) ay=$((wy + 20)) mx=$((wx + 320)) my=$((wy + 240))
press() { xdotool mousemove "$mx" "$my" key "$1" mousemove "$ax" "$ay"; }

# The intro's logo (on black, its middle lit) stays two seconds, or until a
# click or a key: moving the mouse over it must not end it (the input filter
# lets no motion through).
logo="" previous=""
for _ in $(seq 200); do
    running
    now=$(pixel 320 240)
    if [ "$(pixel 10 10)" = 0 ] && [ "$now" != 0 ] && [ "$now" = "$previous" ]; then
        logo=$now
        break
    fi
    previous=$now
    sleep 0.05
done
[ -n "$logo" ] || fail "no intro logo"
start=$(date +%s%N)
xdotool mousemove $((wx + 100)) $((wy + 100)) sleep 0.05 mousemove $((wx + 500)) $((wy + 300)) \
    sleep 0.05 mousemove "$mx" "$my" sleep 0.05 mousemove "$ax" "$ay"
sleep 0.5
if [ "$(pixel 320 240)" = "$logo" ] && [ "$(pixel 10 10)" = 0 ]; then
    say "mouse motion leaves the intro alone"
elif [ $(($(date +%s%N) - start)) -lt 1500000000 ]; then
    fail "mouse motion ended the intro"
else
    say "the intro went by before it was checked (a slow machine): not checked"
fi

# ---- reading the screen ----------------------------------------------------------
# The first card set in the chooser (sets are listed alphabetically).
set=$(find "$work/run" -maxdepth 1 -name '*.set' -printf '%f\n' | LC_ALL=C sort -f | sed -n 1p)
# Little-endian fields of the set picture (an 8-bit BMP).
bmp_field() { od -An -t"$2" -j "$1" -N "${2#?}" "$work/run/$set" | tr -d ' '; }
[ "$(bmp_field 28 u2)" = 8 ] || fail "$set is no 8-bit picture"
bmp_args=(-v data="$(bmp_field 10 u4)" -v palette=$((14 + $(bmp_field 14 u4)))
    -v setw="$(bmp_field 18 d4)" -v seth="$(bmp_field 22 d4)")
bmp_bytes=$work/set.bytes
od -An -v -tu1 -w1 "$work/run/$set" | tr -d ' ' >"$bmp_bytes"

# Compares the game's window in a copy of the frame buffer with the set
# picture, cell by cell: each of the 32 cells must be exactly the board tile
# with one card on it (a back or a face, drawn without its transparent
# colour). Prints what each cell shows: "b" for a back, the face's number,
# or "?" for anything else.
board_cells() {
    od -An -v -tu4 -w4 -j $((pixels + wy * bpl)) -N $((480 * bpl)) "$1" |
        tr -d ' ' >"$work/screen.pixels"
    awk "${bmp_args[@]}" -v stride=$((bpl / 4)) -v wx="$wx" -f - "$bmp_bytes" \
        "$work/screen.pixels" <<'AWK'
NR == FNR { b[FNR - 1] = $1; next }
{ s[FNR - 1] = $1 % 16777216 }
function idx(x, y) { return b[data + (seth - 1 - y) * rowbytes + x] }
# The colour the cell shows at (dx, dy) with card entry e on it.
function expected(e, dx, dy,   p) {
    if (dx >= 5 && dx < 75 && dy >= 5 && dy < 105) {
        p = idx(rx[e] + dx - 5, ry[e] + dy - 5)
        if (p != key)
            return pal[p]
    }
    return pal[idx(350 + dx, 200 + dy)]
}
function screen(cell, dx, dy) {
    return s[(int(cell / 8) * 110 + dy) * stride + wx + (cell % 8) * 80 + dx]
}
function matches(cell, e, step,   dx, dy) {
    for (dy = 0; dy < 110; dy += step)
        for (dx = 0; dx < 80; dx += step)
            if (screen(cell, dx, dy) != expected(e, dx, dy))
                return 0
    return 1
}
END {
    rowbytes = int((setw + 3) / 4) * 4
    for (k = 0; k < 256; ++k)
        pal[k] = b[palette + 4 * k + 2] * 65536 + b[palette + 4 * k + 1] * 256 + b[palette + 4 * k]
    key = idx(301, 300)
    # The faces 1..16 and the back (19) in the set picture.
    split("0 70 140 210 280 350 0 70 140 210 280 0 70 140 210 280", xs, " ")
    split("0 0 0 0 0 0 100 100 100 100 100 200 200 200 200 200", ys, " ")
    for (e = 1; e <= 16; ++e) { rx[e] = xs[e]; ry[e] = ys[e] }
    rx[19] = 350; ry[19] = 100
    line = ""
    for (cell = 0; cell < 32; ++cell) {
        shown = "?"
        for (e = 1; e <= 19 && shown == "?"; ++e)
            if ((e <= 16 || e == 19) && matches(cell, e, 6) && matches(cell, e, 1))
                shown = e == 19 ? "b" : e
        line = line (cell ? " " : "") shown
    }
    print line
}
AWK
}

# Copies the frame buffer to WORK/NAME.xwd and prints the cells it shows.
shot() {
    cp "$frame" "$work/$1.xwd"
    board_cells "$work/$1.xwd"
}
count() { tr ' ' '\n' <<<"$2" | grep -c "$1" || true; }
# The middle of a cell's card, in (cx, cy).
at_cell() { cx=$((wx + $1 % 8 * 80 + 40)) cy=$((wy + ($1 / 8) * 110 + 55)); }
field() { cut -d ' ' -f $(($2 + 1)) <<<"$1"; }

# The intro goes with a click; Return then opens the set chooser from the
# menu and deals the first set. A key that comes while a screen fades in is
# dropped by the game, so Return is pressed until the dealt board shows: 32
# backs on the board tiles.
xdotool mousemove "$mx" "$my" sleep 0.5 click 1 mousemove "$ax" "$ay"
cells=""
for _ in $(seq 30); do
    running
    sleep 1
    cells=$(shot board)
    [ "$(count '^b$' "$cells")" = 32 ] && break
    press Return
done
[ "$(count '^b$' "$cells")" = 32 ] || fail "no board with 32 backs: $cells"
say "the board shows 32 backs on its tiles"

# The board starts paused (Space starts the clock; a Return too many may
# have started it already): a click that turns nothing is followed by Space.
first=0 second=13
for _ in $(seq 5); do
    running
    at_cell $first
    xdotool mousemove "$cx" "$cy" click 1 mousemove "$ax" "$ay"
    sleep 1
    cells=$(shot first)
    [ "$(field "$cells" $first)" != b ] && break
    press space
done
[ "$(field "$cells" $first)" != b ] || fail "the first click turned no card: $cells"
# Space right after the second click pauses the game before two different
# faces would turn back.
at_cell $second
xdotool mousemove "$cx" "$cy" click 1 key space mousemove "$ax" "$ay"
sleep 1
cells=$(shot turned)
if [ "$(count '^b$' "$cells")" != 30 ] || [ "$(count '^[0-9]' "$cells")" != 2 ] ||
    [ "$(field "$cells" $first)" = b ] || [ "$(field "$cells" $second)" = b ]; then
    fail "not two faces and 30 backs: $cells"
fi
cp "$work/turned.xwd" "$layer/duomatch-board.xwd"
say "cells $first and $second show faces $(field "$cells" $first) and $(field "$cells" $second)," \
    "the 30 others their backs (screen in ${layer#"$build"/}/duomatch-board.xwd)"
say "passed"
