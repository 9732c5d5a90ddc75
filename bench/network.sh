#!/usr/bin/env bash
# Network games between four headless peers on loopback: the time a game and
# a move take, and each peer's peak memory after 10 games and after GAMES
# (default 100), from one build of korvalo-script.
#
#   bench/network.sh [--games N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target korvalo_network_games >/dev/null
exec "$build/korvalo_network_games" "$@"
