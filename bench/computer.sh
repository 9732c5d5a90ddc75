#!/usr/bin/env bash
# The strong computer measured in whole headless games: its first places
# against three standard computers, those of a square-value player and of a
# most-stones player against three strong ones, at every seat; processor
# time a move; playouts and nodes a second; peak memory.
#
#   bench/computer.sh [--games N]   (N games a seat in each series, 10 unless given)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target korvalo_computer_bench >/dev/null
# One core, as the figures are meant.
exec taskset -c 0 "$build/korvalo_computer_bench" "$@"
