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
n=90
while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
[[ -e /tmp/.X11-unix/X$n ]] || { echo "bench/network_windows.sh: Xvfb did not start on :$n" >&2; exit 1; }
DISPLAY=":$n" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$build/korvalo_network_windows" "$build/play"
