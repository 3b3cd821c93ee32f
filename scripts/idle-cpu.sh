#!/usr/bin/env bash
# Measures the processor time duomatch uses while it waits for the player:
# in the intro, at the menu, on a board nobody touches and on a paused board.
# The game runs in a virtual X display (Xvfb), driven with xdotool; its user
# and system time come from /proc/PID/stat. Needs the packages xvfb and
# xdotool. The audio device is SDL's dummy one unless SDL_AUDIODRIVER says
# otherwise.
#   scripts/idle-cpu.sh BUILD_DIR [SECONDS]   (default 10 s per phase)
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
seconds=${2:-10}
cd "$(dirname "$0")/.."
work=$(mktemp -d)
cleanup() {
    [ -n "${game:-}" ] && kill "$game" 2>/dev/null && wait "$game" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

scripts/make-data.sh "$build" "$work/run" >/dev/null
# Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=:$(head -n 1 "$work/display") SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
(cd "$work/run" && exec "$build/bin/duomatch" >"$work/log" 2>&1) &
game=$!

ticks() {
    if [ ! -e "/proc/$game/stat" ]; then
        echo "duomatch ended:" >&2
        cat "$work/log" >&2
        exit 1
    fi
    awk '{print $14 + $15}' "/proc/$game/stat"
}
hz=$(getconf CLK_TCK)
# Processor time over `duration` seconds, as a share of one core.
measure() {
    local what=$1 duration=$2 before after
    before=$(ticks)
    sleep "$duration"
    after=$(ticks)
    awk -v w="$what" -v t=$((after - before)) -v hz="$hz" -v d="$duration" \
        'BEGIN { printf "%-16s %5.2f s of CPU in %4.1f s: %5.2f %% of one core\n", w, t / hz, d, 100 * t / hz / d }'
}
key() {
    xdotool mousemove 320 240 key "$1"
    sleep 1.5 # fades and animations
}

sleep 0.5
measure "intro" 3.5 # the logo and the title show for about four seconds
sleep 1.5
measure "menu" "$seconds"
key Return # the set chooser
key Return # the first set: the board is dealt and starts paused
key space  # play
measure "untouched board" "$seconds"
key space
measure "paused board" "$seconds"
