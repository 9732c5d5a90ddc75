#!/usr/bin/env bash
# A network game between real windows on loopback, under an X server of its
# own (Xvfb) with SDL's dummy audio driver: a hosting window and three joined
# ones play one whole game at the game's own pace (a few minutes), and then a
# plain window plays it alone. Prints how long a press takes to reach each
# joined window and the peak memory of the hosting window against the plain
# one (bench/network_windows.cpp).
#
#   bench/network_windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target korvalo korvalo_network_windows >/dev/null

xvfb=
trap '[[ -n $xvfb ]] && { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }; true' EXIT
. "$root/bench/xvfb.sh"
start_xvfb bench/network_windows.sh 1280x1024x24
QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$build/korvalo_network_windows" "$build/play"
