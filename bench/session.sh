#!/usr/bin/env bash
# The window over a long session: plays GAMES whole games (default 100) in
# the real window under Xvfb, one after the other, with SDL's dummy audio
# driver, and prints the process's peak (VmHWM) and present (VmRSS) memory
# after game 1, game 10, every fiftieth game and the last; then the growth
# from game 10 to game 100, whose target is under 1 MiB.
#
#   bench/session.sh [--games N] [--pause-scale F]
#
# The pauses of the game are shortened to F of their length (default 0.02),
# so a hundred games take minutes rather than hours; the drawing, sounds,
# message boxes and event handling all run as in the program. The games are
# played in a temporary copy of build/play (see bench/window_session.cpp).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

tmp=$(mktemp -d)
xvfb=
cleanup() {
    if [[ -n $xvfb ]]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
    rm -rf "$tmp"
}
trap cleanup EXIT

build_all() {
    if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release || return 1
    fi
    cmake --build "$build" --target korvalo_window_session
}
if ! build_all >"$tmp/build.log" 2>&1; then
    cat "$tmp/build.log" >&2
    echo "bench/session.sh: the build failed" >&2
    exit 1
fi

. "$root/bench/xvfb.sh"
start_xvfb bench/session.sh 1024x768x24

mkdir "$tmp/play"
cp -R "$build/play/." "$tmp/play/"
cd "$tmp/play"
QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$build/korvalo_window_session" "$@"
