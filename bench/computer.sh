#!/usr/bin/env bash
# The ladder of computer levels measured in whole headless games, every
# opening at all four seats: each level against three of the level below,
# the square-value and the most-stones player against three of each level;
# processor time a move of each level (median, maximum); peak memory. One
# table. With --one PLAYER --rest PLAYER, one series of two players instead, to
# compare settings of the search (see bench/computer.cpp), e.g.
#   bench/computer.sh --games 6 --one '5,work=200000,backup=bestreply' --rest '5,work=200000'
#
#   bench/computer.sh [--games N] [--levels A-B] [--one PLAYER --rest PLAYER]
#   (N openings a row, 5 unless given, each played at all four seats)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if ! grep -qs '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target korvalo_computer_bench >/dev/null
# One core, as the figures are meant.
exec taskset -c 0 "$build/korvalo_computer_bench" "$@"
